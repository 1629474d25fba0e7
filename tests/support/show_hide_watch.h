// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

// Tells of each time a widget is shown or hidden in its window, at the moment
// the window does it, from outside the window's code: how the tests and the
// bench see the exercise's steps in the real window.
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
        if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
            m_onChange(event->type() == QEvent::ShowToParent);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(bool shown)> m_onChange;
};
