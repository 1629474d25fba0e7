// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/program_window.h"

#include "platform/window_services.h"
#include "windows/place.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QShowEvent>

namespace windows {

using namespace Qt::StringLiterals;

ProgramWindow::ProgramWindow(QWidget *parent)
    : QWidget(parent)
{
}

QPushButton *ProgramWindow::placeEinde(const QRect &geometry)
{
    auto *button = place<QPushButton>(this, u"cmd_exit"_s, geometry, u"&Einde"_s);
    button->setAccessibleName(u"Einde"_s);
    button->setAutoDefault(true); // Enter presses the focused button, as Space does
    return button;
}

void ProgramWindow::endProgram()
{
    platform::endProgram(0);
}

void ProgramWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_focusPlaced && m_firstFocus) {
        m_focusPlaced = true;
        m_firstFocus->setFocus();
    }
}

void ProgramWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgram();
}

} // namespace windows
