// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <utility>

namespace windows {

// Creates a control owned by `parent`, named and placed as the window's
// design has it; the remaining arguments go to the control's constructor.
template<typename Control, typename... Args>
Control *place(QWidget *parent, const QString &name, const QRect &geometry, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)..., parent);
    control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

} // namespace windows
