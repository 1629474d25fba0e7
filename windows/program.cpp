// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/program.h"

#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/window_services.h"
#include "windows/assets.h"
#include "windows/frm_hoofd.h"
#include "windows/window_slots.h"

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QTimer>

namespace windows {

int runProgram()
{
    loadAssets();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvelin.png")));
    platform::installRuntimeErrorDialog();
    core::ExerciseState state;
    platform::RandomSource random(platform::systemClock());
    WindowSlots windowSlots(state, random);

    // Main runs inside the event loop, so ending the program from any depth of
    // modal display returns through exec() with the right exit code.
    QTimer::singleShot(0, qApp, [&] {
        core::Main(state, [&] { platform::showModal(windowSlots.hoofd()); });
        platform::endProgram(0);
    });
    return QApplication::exec();
}

} // namespace windows
