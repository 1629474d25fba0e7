// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window_services.h"

#include "platform/runtime_error.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QWidget>

namespace platform {

namespace {

bool programEnding = false;

class HideWatcher final : public QObject {
public:
    explicit HideWatcher(QEventLoop &loop)
        : m_loop(loop)
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A spontaneous hide is the window system minimising the window.
        if (event->type() == QEvent::Hide && !event->spontaneous())
            m_loop.quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop &m_loop;
};

// Silences our timers and takes every window away; false if already ending,
// so the first reason to end keeps its exit code.
bool beginEnding()
{
    if (programEnding)
        return false;
    programEnding = true;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
    return true;
}

} // namespace

void showModal(QWidget &window)
{
    if (programEnding)
        return;
    QEventLoop loop;
    HideWatcher watcher(loop);
    window.installEventFilter(&watcher);
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
    window.raise();
    window.activateWindow();
    if (!window.isHidden())
        loop.exec();
    window.removeEventFilter(&watcher);
}

void endProgram(int exitCode)
{
    if (beginEnding())
        QCoreApplication::exit(exitCode);
}

bool isProgramEnding()
{
    return programEnding;
}

void installRuntimeErrorDialog()
{
    setRuntimeErrorHandler([](const RuntimeError &error) {
        if (!beginEnding())
            return;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tarvelin"),
                        QString::fromStdString(error.message()), QMessageBox::Ok);
        box.setObjectName(QStringLiteral("runtimeErrorBox"));
        box.exec();
        QCoreApplication::exit(1);
    });
}

} // namespace platform
