// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real exercise window at the fastest pace, every tick a step, for a
// long time (600 s unless the first argument says otherwise) and checks that
// the process's memory does not grow: under 1 MB between the first minute and the end.
#include "core/exercise_state.h"
#include "core/module1.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/random_source.h"
#include "platform/system_time.h"
#include "platform/timer.h"
#include "windows/frm_werk.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

long residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(61, std::atoi(argv[1])) : 600;
    constexpr int warmUpSeconds = 60;
    constexpr long allowedGrowthKb = 1024;

    core::ExerciseState state;
    core::fillDefaults(state);
    state.flash_interval = 20; // 21 or less: every tick is a step
    state.speed_step = 0;      // and it stays that fast
    platform::RandomSource random(platform::systemClock());
    // The program's own time keeping, as it starts it.
    platform::keepTimeOnThisThread();
    platform::WakePlanner planner(platform::sleepsPrecisely(platform::systemClock()));
    platform::ClockTimeSource time(platform::systemClock(), platform::systemAlarms(planner));
    windows::frm_werk window(state, random, time);
    window.show();

    // Now and then a speed click, so that path runs as well; the pair leaves the interval as it was.
    auto *faster = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *slower = window.findChild<QPushButton *>(QStringLiteral("Command2"));
    QTimer clicks;
    QObject::connect(&clicks, &QTimer::timeout, &window, [=] {
        faster->click();
        slower->click();
    });
    clicks.start(250);

    long baseline = 0;
    int elapsed = 0;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &app, [&] {
        elapsed += 10;
        const long now = residentKb();
        if (elapsed == warmUpSeconds)
            baseline = now;
        std::printf("%4d s: resident %ld kB%s\n", elapsed, now,
                    baseline ? qPrintable(QStringLiteral(", %1 kB since the first minute").arg(now - baseline)) : "");
        std::fflush(stdout);
        if (elapsed >= seconds)
            app.exit(now - baseline < allowedGrowthKb ? 0 : 1);
    });
    sample.start(10'000);
    const int code = app.exec();
    std::printf("%s: memory grew %ld kB after the first minute (allowed: under %ld kB)\n",
                code == 0 ? "passed" : "FAILED", residentKb() - baseline, allowedGrowthKb);
    return code;
}
