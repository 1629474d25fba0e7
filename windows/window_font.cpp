// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/window_font.h"

#include <QApplication>
#include <QString>

namespace windows {

using namespace Qt::StringLiterals;

namespace {

QFont withFallbacks(QFont font)
{
    const QString face = font.family();
    QStringList families = sansSerifFallbacks();
    families.removeAll(face);
    families.prepend(face);
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

QStringList sansSerifFallbacks()
{
    return {u"Microsoft Sans Serif"_s, u"Segoe UI"_s, u"Tahoma"_s, u"Arial"_s,
            u"DejaVu Sans"_s, u"Liberation Sans"_s, u"Noto Sans"_s};
}

QFont windowFont()
{
    QFont font = withFallbacks(QApplication::font());
    font.setPointSize(8);
    return font;
}

QFont stimulusFont()
{
    return withFallbacks(QFont(u"MS Sans Serif"_s, 24, QFont::Bold));
}

} // namespace windows
