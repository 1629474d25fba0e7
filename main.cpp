// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/program.h"

#include <QApplication>
#include <QString>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvelin"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvelin"));
    return windows::runProgram();
}
