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
