// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace windows {

WrappingButton::WrappingButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

void WrappingButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect textArea = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(textArea, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         option.palette, isEnabled(), caption, QPalette::ButtonText);
}

} // namespace windows
