// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include "core/exercise_state.h"
#include "core/exercise_view.h"
#include "core/module1.h"
#include "core/pacing_engine.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/random_source.h"
#include "platform/system_time.h"
#include "tests/support/exercise_rig.h"

#include <QTest>

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>


using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using Duration = std::chrono::nanoseconds;

Q_DECLARE_METATYPE(std::chrono::nanoseconds)

namespace {

std::int64_t msOf(Duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// The exercise on a rig, each call it makes to the window written to a log
// with its moment, in µs after the pacing started.
struct LoggedRig : ExerciseRig {
    LoggedRig(std::int32_t interval, std::int32_t step, bool sleeps)
        : ExerciseRig(interval, step, 7, !sleeps)
    {
        view.onCall = [this](std::string_view what, std::string_view detail) {
            const auto us = std::chrono::duration_cast<std::chrono::microseconds>(elapsed()).count();
            log.push_back(std::to_string(us) + ": " + std::string(what) + " " + std::string(detail));
            if (what == "tijd")
                stepsAtMs.push_back(elapsedMs());
        };
    }

    void click(bool faster) { faster ? exercise.Command1_Click() : exercise.Command2_Click(); }

    std::vector<std::string> log;
    std::vector<std::int64_t> stepsAtMs;
};

// The thread is held up from `from` to `until`: every wake-up asked for in
// between comes at its end.
ManualTime::WakeRule heldUp(Duration from, Duration until)
{
    return [=](Duration deadline) { return deadline >= from && deadline < until ? until : deadline; };
}

} // namespace

class tst_Timer : public QObject {
    Q_OBJECT

private slots:
    void wakeUpsFollowTheLookahead_data();
    void wakeUpsFollowTheLookahead();
    void disableMidBurstStopsAtOnce();
    void heldUpOverAStep_data();
    void heldUpOverAStep();
    void sleepingMatchesWakingEveryTick();
    void systemAlarmIsNeverEarly_data();
    void systemAlarmIsNeverEarly();
    void windowsDueTime_data();
    void windowsDueTime();
};

void tst_Timer::wakeUpsFollowTheLookahead_data()
{
    QTest::addColumn<int>("lookahead"); // 0: none
    QTest::addColumn<int>("wakeUps");   // for 100 ticks
    QTest::newRow("no lookahead: a wake-up per tick") << 0 << 100;
    QTest::newRow("lookahead 5: quiet ticks come with the fifth") << 5 << 20;
    QTest::newRow("lookahead 0 is taken as 1") << -1 << 100;
}

void tst_Timer::wakeUpsFollowTheLookahead()
{
    QFETCH(int, lookahead);
    QFETCH(int, wakeUps);
    ManualTime time;
    std::vector<std::int64_t> dueMs;
    const Duration start = time.now();
    platform::Timer timer([&] { dueMs.push_back(msOf(time.now() - start)); }, time.source);
    timer.setInterval(10);
    if (lookahead)
        timer.setLookahead([&] { return std::int64_t{std::max(lookahead, 0)}; });
    timer.setEnabled(true);
    time.runUntil(start + 1000ms);
    QCOMPARE(time.wakeUps, wakeUps);
    QCOMPARE(dueMs.size(), std::size_t{100});
    QCOMPARE(dueMs.back(), std::int64_t{1000}); // delivered when the tick it slept for is due
}

void tst_Timer::disableMidBurstStopsAtOnce()
{
    ManualTime time;
    int ticks = 0;
    platform::Timer *self = nullptr;
    platform::Timer timer([&] {
        if (++ticks == 3)
            self->setEnabled(false); // the 21st step starting a pause
    }, time.source);
    self = &timer;
    timer.setInterval(10);
    timer.setLookahead([] { return std::int64_t{5}; });
    timer.setEnabled(true);
    time.runUntil(time.now() + 10s);
    QCOMPARE(ticks, 3);
}

// The thread is held up from 5 ms before the first step until `wakeMs`. Step
// times worked out by hand: half cycles of 100, 95 and 15 ticks. Under a second
// late, every tick due is delivered at once and the timeline holds; a second or
// more late, the timeline moves on by the lateness.
void tst_Timer::heldUpOverAStep_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("wakeMs");
    QTest::addColumn<QList<int>>("stepsAtMs");
    QTest::newRow("2000, 60 ms late") << 2000 << 1060 << QList<int>{1060, 2000, 3000};
    QTest::newRow("2000, 500 ms late") << 2000 << 1500 << QList<int>{1500, 2000, 3000};
    QTest::newRow("2000, 2 s late: afresh") << 2000 << 3000 << QList<int>{3000, 4000, 5000};
    QTest::newRow("1900, 60 ms late") << 1900 << 1010 << QList<int>{1010, 1900, 2850};
    QTest::newRow("1900, 500 ms late") << 1900 << 1450 << QList<int>{1450, 1900, 2850};
    QTest::newRow("1900, 2 s late: afresh") << 1900 << 2950 << QList<int>{2950, 3900, 4850};
    QTest::newRow("300, 60 ms late") << 300 << 210 << QList<int>{210, 300, 450};
    QTest::newRow("300, 500 ms late: four steps at once") << 300 << 650 << QList<int>{650, 650, 650, 650, 750};
    QTest::newRow("300, 2 s late: afresh") << 300 << 2150 << QList<int>{2150, 2300, 2450};
}

void tst_Timer::heldUpOverAStep()
{
    QFETCH(int, interval);
    QFETCH(int, wakeMs);
    QFETCH(QList<int>, stepsAtMs);
    LoggedRig rig(interval, 100, true);
    const Duration firstStep = rig.origin + std::chrono::milliseconds(interval / 2);
    rig.time.runUntil(rig.origin + 6s, heldUp(firstStep - 5ms, rig.origin + std::chrono::milliseconds(wakeMs)));
    QList<int> got;
    for (std::size_t i = 0; i < std::size_t(stepsAtMs.size()); ++i)
        got << int(rig.stepsAtMs.at(i));
    QCOMPARE(got, stepsAtMs);
}

// The shortcut (sleeping through quiet ticks) against the plain path (a wake-up
// for every tick): the same wake-up latenesses, hold-ups and clicks must give
// the same calls to the window, tick for tick.
void tst_Timer::sleepingMatchesWakingEveryTick()
{
    const std::int32_t intervals[] = {2000, 1905, 1900, 300, 200, 25, 21, 0, -150};
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
        const std::int32_t interval = intervals[pick(0, std::size(intervals) - 1)];
        const std::int32_t step = pick(0, 4) == 0 ? -100 : pick(0, 300);

        // Hold-ups of up to 0.9 s, so even the wake-up for a single tick is less
        // than a second late; between them, a lateness of 0 to 3 ms.
        std::vector<std::pair<Duration, Duration>> holdUps;
        for (Duration at = 200ms; at < 40s; at += std::chrono::milliseconds(pick(1000, 6000))) {
            const Duration length = std::chrono::microseconds(pick(1000, 900'000));
            holdUps.emplace_back(at, at + length);
            at += length;
        }
        const Duration origin = ManualTime().now();
        const ManualTime::WakeRule wake = [&](Duration deadline) {
            const Duration t = deadline - origin;
            for (const auto &[from, until] : holdUps) {
                if (t >= from && t < until)
                    return origin + until;
            }
            return deadline + std::chrono::microseconds((t.count() / 1000 * 2654435761u) % 3000);
        };
        std::vector<std::pair<Duration, bool>> clicks;
        for (Duration at = 0ms; at < 40s;) {
            at += std::chrono::microseconds(pick(1000, 3'000'000));
            clicks.emplace_back(at, pick(0, 1) == 1);
        }

        LoggedRig sleeping(interval, step, true);
        LoggedRig waking(interval, step, false);
        ManualTime &sleepingTime = sleeping.time;
        ManualTime &wakingTime = waking.time;
        for (auto [at, faster] : clicks) {
            for (const auto &[from, until] : holdUps) {
                if (at >= from && at < until)
                    at = until; // a click waits for the thread too
            }
            for (auto [time, rig] : {std::pair{&sleepingTime, &sleeping}, std::pair{&wakingTime, &waking}}) {
                time->runUntil(origin + at, wake);
                rig->click(faster);
            }
        }
        for (ManualTime *time : {&sleepingTime, &wakingTime}) {
            time->runUntil(origin + 45s, wake);
            time->source.runBetweenTicks([] {}); // the ticks the sleeper has not yet been woken for
        }
        QVERIFY(waking.log.size() > 40);
        for (std::size_t i = 0; i < std::max(sleeping.log.size(), waking.log.size()); ++i) {
            const std::string got = i < sleeping.log.size() ? sleeping.log[i] : "(nothing)";
            const std::string expected = i < waking.log.size() ? waking.log[i] : "(nothing)";
            if (got != expected)
                QFAIL(qPrintable(QStringLiteral("seed %1, interval %2, call %3: sleeping gave \"%4\", waking \"%5\"")
                                     .arg(seed).arg(interval).arg(i)
                                     .arg(QString::fromStdString(got), QString::fromStdString(expected))));
        }
        QCOMPARE(sleeping.state.elapsed_ms, waking.state.elapsed_ms);
        QVERIFY(sleepingTime.wakeUps <= wakingTime.wakeUps);
    }
}

// The real alarms on the real clock: on this system's own wait, and on the
// portable one. Only the direction is checked: a slow machine makes them
// later, never earlier.
void tst_Timer::systemAlarmIsNeverEarly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("inUs"); // deadline, µs from now
    for (const QString &kind : {u"system"_s, u"portable"_s}) {
        const QByteArray k = kind.toUtf8();
        QTest::addRow("%s, already past", k.constData()) << kind << -5000;
        QTest::addRow("%s, 0.3 ms: inside the busy stretch", k.constData()) << kind << 300;
        QTest::addRow("%s, 3 ms", k.constData()) << kind << 3000;
        QTest::addRow("%s, 25 ms", k.constData()) << kind << 25'000;
    }
}

void tst_Timer::systemAlarmIsNeverEarly()
{
    QFETCH(QString, kind);
    QFETCH(int, inUs);
    const platform::Clock &clock = platform::systemClock();
    const bool system = kind == u"system";
    if (system && !platform::makeSystemWait(clock, [] {}))
        QSKIP("this build or system has no wait of its own: its alarms sleep on the portable one");
    platform::WakePlanner planner(platform::sleepsPrecisely(clock));
    for (int round = 0; round < 5; ++round) {
        Duration firedAt{0};
        int fired = 0;
        const auto onAlarm = [&] {
            firedAt = clock.now();
            ++fired;
        };
        auto alarm = (system ? platform::systemAlarms(planner) : platform::portableAlarms(planner))(clock, onAlarm);
        const Duration deadline = clock.now() + std::chrono::microseconds(inUs);
        alarm->wakeAt(deadline + 1h); // replaced by the next request
        alarm->wakeAt(deadline);
        QTRY_VERIFY_WITH_TIMEOUT(fired > 0, 10'000);
        QVERIFY2(firedAt >= deadline, qPrintable(QString::number((firedAt - deadline).count())));
        QTest::qWait(30);
        QCOMPARE(fired, 1); // once per request

        alarm->wakeAt(clock.now() + 5ms);
        alarm->cancel();
        QTest::qWait(30);
        QCOMPARE(fired, 1);
    }
}

// A waitable timer's due time: relative, in 100 ns, never short of the moment.
void tst_Timer::windowsDueTime_data()
{
    QTest::addColumn<Duration>("wait");
    QTest::addColumn<qint64>("due");
    QTest::newRow("1 ms") << Duration(1ms) << qint64(-10'000);
    QTest::newRow("a part of 100 ns rounds up") << Duration(1001ns) << qint64(-11);
    QTest::newRow("1 ns: one unit") << Duration(1ns) << qint64(-1);
    QTest::newRow("now: at once") << Duration(0ns) << qint64(-1);
    QTest::newRow("past: at once, never an absolute time") << Duration(-5ms) << qint64(-1);
    QTest::newRow("a pause of 5.5 s") << Duration(5500ms) << qint64(-55'000'000);
}

void tst_Timer::windowsDueTime()
{
    QFETCH(Duration, wait);
    QFETCH(qint64, due);
    const Duration now = 3h;
    QCOMPARE(platform::relativeDueTime(now, now + wait), due);
}

QTEST_GUILESS_MAIN(tst_Timer)
#include "tst_timer.moc"
