// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

// Tells of each time a widget of a window on screen is shown or hidden, at the
// moment the window does it, from outside the window's code: how the tests and
// the bench see the exercise's steps in the real window. Its show and hide
// events come before Qt asks the window system where the pointer is.
class ShowHideWatch final : public QObject {
public:
    ShowHideWatch(QWidget *widget, std::function<void(bool shown)> onChange)
        : m_onChange(std::move(onChange))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            m_onChange(event->type() == QEvent::Show);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(bool shown)> m_onChange;
};
