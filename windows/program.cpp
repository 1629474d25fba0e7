// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/program.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/fatal_message.h"
#include "platform/random_source.h"
#include "platform/system_time.h"
#include "platform/timer.h"
#include "platform/window_services.h"
#include "windows/assets.h"
#include "windows/frm_hoofd.h"
#include "windows/window_slots.h"

#include <QApplication>
#include <QIcon>
#include <QMessageLogContext>
#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <cstdlib>

namespace windows {

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt ends the process with an abort and advice to reinstall when it has no
// display to open, or cannot open the one it was given, or lacks the plugin
// for it; say what is wrong instead, and end cleanly.
void whileStarting(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        qtHandler(type, context, message);
        return;
    }
    platform::showFatalMessage(platform::cannotStartMessage());
    std::_Exit(1);
}

} // namespace

void setDisplayOptions()
{
    // The stimulus area is small: its pixels reach the X server sooner and more
    // steadily over the connection than through shared memory, where a repaint
    // first waits for the server to have read the one before. A user's own
    // setting stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

int runApplication(int &argc, char **argv)
{
    setDisplayOptions();
    // No look at DISPLAY or WAYLAND_DISPLAY first: Windows and macOS have neither,
    // and where they matter an unset one already ends in Qt's fatal message.
    qtHandler = qInstallMessageHandler(whileStarting);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    QApplication::setApplicationName(QStringLiteral("tarvelin"));
    QApplication::setDesktopFileName(QStringLiteral(TARVELIN_APP_ID));
    return runProgram();
}

int runProgram()
{
    // This thread keeps the exercise's time from here on: it asks the system
    // for prompt wake-ups, and finds out once whether its own short sleeps end
    // on time. Every alarm shares one planner, and so what it learns.
    platform::keepTimeOnThisThread();
    const platform::Clock &clock = platform::systemClock();
    platform::WakePlanner planner(platform::sleepsPrecisely(clock));
    platform::ClockTimeSource time(clock, platform::systemAlarms(planner));
    return runProgram(time);
}

int runProgram(platform::TimeSource &time)
{
    loadAssets();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvelin.png")));
    platform::installRuntimeErrorDialog();
    core::ExerciseState state;
    platform::RandomSource random(platform::systemClock());
    WindowSlots windowSlots(state, random, time);

    // Main runs inside the event loop, so ending the program from any depth of
    // modal display returns through exec() with the right exit code.
    QTimer::singleShot(0, qApp, [&] {
        core::Main(state, [&] { platform::showModal(windowSlots.hoofd()); });
        platform::endProgram(0);
    });
    return QApplication::exec();
}

} // namespace windows
