// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/window_font.h"

#include <QApplication>

namespace windows {

QFont windowFont()
{
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

} // namespace windows
