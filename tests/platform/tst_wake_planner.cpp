// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wake_planner.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <deque>
#include <random>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using Duration = std::chrono::nanoseconds;

Q_DECLARE_METATYPE(std::chrono::nanoseconds)
Q_DECLARE_METATYPE(std::vector<std::chrono::nanoseconds>)

namespace {

std::vector<Duration> operator+(std::vector<Duration> a, const std::vector<Duration> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class tst_WakePlanner : public QObject {
    Q_OBJECT

private slots:
    void earlyWake_data();
    void earlyWake();
    void finishSleep_data();
    void finishSleep();
    void lateWakeUpsWidenTheMargin();
    void farLateWakeUps_data();
    void farLateWakeUps();
    void busyFinishStaysWithinOnePercent();
};

// Times worked out by hand: a planner taught by 20 wake-ups on time has a
// margin of 0.545 ms, an untaught one 2 ms; the reserve is 2 ms and refills at
// 8 µs per ms going by.
void tst_WakePlanner::earlyWake_data()
{
    QTest::addColumn<int>("taught");           // wake-ups on time learnt before
    QTest::addColumn<Duration>("spentBefore"); // at the start
    QTest::addColumn<Duration>("idleBefore");  // then this long with no request
    QTest::addColumn<Duration>("sleep");       // the request: deadline this far off
    QTest::addColumn<Duration>("early");       // how far before the deadline it wakes
    QTest::addColumn<bool>("finishSleeps");    // the thread sleeps out the margin itself

    QTest::newRow("full reserve, 1 s") << 20 << 0ns << 0ns << Duration(1s) << Duration(545us) << false;
    QTest::newRow("untaught, full reserve, 1 s: 2 ms") << 0 << 0ns << 0ns << Duration(1s) << Duration(2ms) << false;
    QTest::newRow("taught by 19: still 2 ms") << 19 << 0ns << 0ns << Duration(1s) << Duration(2ms) << false;
    QTest::newRow("full reserve, 25 ms after a click") << 20 << 0ns << 0ns << Duration(25ms) << Duration(545us) << false;
    QTest::newRow("reserve spent, 25 ms: what the sleep earns") << 20 << Duration(2ms) << 0ns << Duration(25ms)
                                                                << Duration(200us) << false;
    QTest::newRow("reserve spent, 10 ms") << 20 << Duration(2ms) << 0ns << Duration(10ms) << Duration(80us) << false;
    QTest::newRow("untaught, reserve spent, 10 ms") << 0 << Duration(2ms) << 0ns << Duration(10ms) << Duration(80us)
                                                    << false;
    QTest::newRow("reserve spent, then 40 ms idle, 10 ms") << 20 << Duration(2ms) << Duration(40ms) << Duration(10ms)
                                                          << Duration(400us) << false;
    QTest::newRow("reserve spent, 1 s: margin again") << 20 << Duration(2ms) << 0ns << Duration(1s) << Duration(545us)
                                                      << false;
    QTest::newRow("deadline passed: margin") << 20 << 0ns << 0ns << Duration(-5ms) << Duration(545us) << false;
    QTest::newRow("deadline passed, reserve spent: none") << 20 << Duration(2ms) << 0ns << Duration(-5ms) << 0ns << false;
    QTest::newRow("reserve spent, 10 ms, the thread sleeps: 3 ms, whatever the reserve")
        << 0 << Duration(2ms) << 0ns << Duration(10ms) << Duration(3ms) << true;
}

void tst_WakePlanner::earlyWake()
{
    QFETCH(int, taught);
    QFETCH(Duration, spentBefore);
    QFETCH(Duration, idleBefore);
    QFETCH(Duration, sleep);
    QFETCH(Duration, early);
    QFETCH(bool, finishSleeps);
    platform::WakePlanner planner;
    planner.setFinishSleeps(finishSleeps);
    for (int i = 0; i < taught; ++i)
        planner.learn(0ns);
    const Duration start = 1h;
    QCOMPARE(planner.reserve(start), Duration(2ms));
    planner.spend(spentBefore);
    const Duration now = start + spentBefore + idleBefore; // spinning takes time too
    QCOMPARE(planner.earlyWake(now, now + sleep), now + sleep - early);
}

// Woken by the event loop 0.5 ms before the deadline: the finish margin is
// 1.5 ms until 20 sleeps have taught it, then what they taught (0.15 ms at
// first), and the thread sleeps no closer than the reserve can spin.
void tst_WakePlanner::finishSleep_data()
{
    QTest::addColumn<bool>("finishSleeps");
    QTest::addColumn<int>("taught");      // sleeps on time learnt before
    QTest::addColumn<Duration>("spentBefore");
    QTest::addColumn<Duration>("early"); // how far before the deadline the sleep ends; -1 ns: no sleep

    QTest::newRow("untaught, full reserve: 1.5 ms") << true << 0 << 0ns << Duration(1500us);
    QTest::newRow("taught by 19: still 1.5 ms") << true << 19 << 0ns << Duration(1500us);
    QTest::newRow("taught by 20, full reserve: the margin") << true << 20 << 0ns << Duration(145us);
    QTest::newRow("100 µs of reserve: that") << true << 20 << Duration(1900us) << Duration(100us);
    QTest::newRow("untaught, 100 µs of reserve: that") << true << 0 << Duration(1900us) << Duration(100us);
    QTest::newRow("reserve spent: to the deadline") << true << 20 << Duration(2ms) << 0ns;
    QTest::newRow("no precise sleep here: none") << false << 0 << 0ns << Duration(-1ns);
}

void tst_WakePlanner::finishSleep()
{
    QFETCH(bool, finishSleeps);
    QFETCH(int, taught);
    QFETCH(Duration, spentBefore);
    QFETCH(Duration, early);
    platform::WakePlanner planner;
    planner.setFinishSleeps(finishSleeps);
    for (int i = 0; i < taught; ++i)
        planner.learnFinish(0ns);
    const Duration now = 1h;
    (void)planner.reserve(now);
    planner.spend(spentBefore);
    const Duration deadline = now + spentBefore + 500us;
    const Duration until = planner.finishSleep(now + spentBefore, deadline);
    if (early < 0ns)
        QCOMPARE(until, now + spentBefore);
    else
        QCOMPARE(until, deadline - early);
}

void tst_WakePlanner::lateWakeUpsWidenTheMargin()
{
    platform::WakePlanner planner;
    const Duration first = planner.margin();
    for (int i = 0; i < 20; ++i)
        planner.learn(3ms);
    QVERIFY(planner.margin() > first + 900us); // 20 wake-ups 3 ms late
    const Duration widened = planner.margin();
    planner.learn(50ms); // a held-up thread, not the loop's lateness
    planner.learn(-1ms);
    QCOMPARE(planner.margin(), widened);
    for (int i = 0; i < 20'000; ++i)
        planner.learn(0ns);
    QCOMPARE(planner.margin(), Duration(50us)); // back to the slack alone
}

// A wake-up far later than the margin is a held-up thread when it comes
// alone, and the system's own coarseness when such wake-ups repeat; the
// first wake-ups teach the margin fast, and one of them no more than double.
void tst_WakePlanner::farLateWakeUps_data()
{
    QTest::addColumn<std::vector<Duration>>("pattern"); // lateness of each wake-up, repeated
    QTest::addColumn<int>("wakeUps");
    QTest::addColumn<Duration>("atLeast"); // the margin afterwards
    QTest::addColumn<Duration>("atMost");

    const Duration fresh = 550us;
    QTest::newRow("one 50 ms hold-up, then on time") << std::vector<Duration>{50ms} + std::vector<Duration>(99, 0ns)
                                                     << 100 << Duration(500us) << fresh;
    QTest::newRow("a 60 ms hold-up every 4 wake-ups")
        << std::vector<Duration>{60ms, 0ns, 0ns, 0ns} << 400 << Duration(400us) << fresh;
    QTest::newRow("two hold-ups in a row, then on time")
        << std::vector<Duration>{40ms, 40ms} + std::vector<Duration>(98, 0ns) << 100 << Duration(500us) << fresh;
    // Wake-ups that wait for the next tick of 15.6 ms, at every phase of it.
    QTest::newRow("a 15.6 ms system tick") << std::vector<Duration>{14ms, 3500us, 9ms, 15500us, 6ms, 12ms, 1ms}
                                           << 70 << Duration(13500us) << Duration(16ms);
    // Sleeps that always end late (Wine's end 0.7 ms late): a few are enough.
    QTest::newRow("3 ms late from the start") << std::vector<Duration>{3ms} << 4 << Duration(3ms) << Duration(3100us);
    QTest::newRow("one 3 ms outlier first, then on time")
        << std::vector<Duration>{3ms} + std::vector<Duration>(99, 0ns) << 100 << Duration(900us) << Duration(1050us);
    QTest::newRow("2 ms late after 20 on time: steps again") << std::vector<Duration>(20, 0ns) + std::vector<Duration>{2ms}
                                                           << 21 << Duration(500us) << Duration(600us);
    QTest::newRow("three in a row 10 ms late, then on time")
        << std::vector<Duration>{10ms, 10ms, 10ms} + std::vector<Duration>(20, 0ns) << 23 << Duration(10ms)
        << Duration(11ms);
}

void tst_WakePlanner::farLateWakeUps()
{
    QFETCH(std::vector<Duration>, pattern);
    QFETCH(int, wakeUps);
    QFETCH(Duration, atLeast);
    QFETCH(Duration, atMost);
    platform::WakePlanner planner;
    for (int i = 0; i < wakeUps; ++i)
        planner.learn(pattern[std::size_t(i) % pattern.size()]);
    QVERIFY2(planner.margin() >= atLeast && planner.margin() <= atMost,
             qPrintable(QStringLiteral("margin %1 µs").arg(planner.margin().count() / 1000)));
}

// The alarms' use of the planner at random paces, with and without the
// thread's own sleep, each busy finish as long as the reserve allows: the time spun in any second never exceeds 10 ms.
void tst_WakePlanner::busyFinishStaysWithinOnePercent()
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        platform::WakePlanner planner;
        const bool finishSleeps = seed % 2 == 0;
        planner.setFinishSleeps(finishSleeps);
        for (int i = 0; i < 30; ++i) {
            planner.learn(3ms); // wide margins, so the reserve is what limits
            planner.learnFinish(3ms);
        }
        Duration now = 1h;
        std::deque<std::pair<Duration, Duration>> window; // (when, spun) over the last second
        Duration inWindow{0};
        for (int wake = 0; wake < 5000; ++wake) {
            const Duration sleep = std::chrono::microseconds(std::uniform_int_distribution<int>(500, 300'000)(random));
            const Duration deadline = now + sleep;
            now = planner.earlyWake(now, deadline);
            now = std::max(now, planner.finishSleep(now, deadline));
            const Duration spun = std::min(deadline - now, planner.reserve(now));
            planner.spend(spun);
            now += spun;
            window.emplace_back(now, spun);
            inWindow += spun;
            while (window.front().first <= now - 1s) {
                inWindow -= window.front().second;
                window.pop_front();
            }
            if (inWindow > 10ms)
                QFAIL(qPrintable(QStringLiteral("seed %1: %2 µs spun in one second")
                                     .arg(seed).arg(inWindow.count() / 1000)));
        }
    }
}

QTEST_APPLESS_MAIN(tst_WakePlanner)
#include "tst_wake_planner.moc"
