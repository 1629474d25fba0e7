// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPushButton>

namespace windows {

// A push button whose caption wraps at its blanks to fit the button's width,
// so "versnel        100 msec" stands on two lines in a narrow button.
class WrappingButton final : public QPushButton {
    Q_OBJECT

public:
    explicit WrappingButton(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace windows
