// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/early_wake_alarm.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <random>
#include <utility>

using namespace std::chrono_literals;
using Duration = std::chrono::nanoseconds;

namespace {

// How late a simulated system's wake-ups come, the n-th of them.
using Timer = std::function<Duration(std::mt19937 &random, int n)>;

Duration uniform(std::mt19937 &random, Duration from, Duration to)
{
    return Duration(std::uniform_int_distribution<std::int64_t>(from.count(), to.count())(random));
}

} // namespace

class tst_WakePlanner : public QObject {
    Q_OBJECT

private slots:
    void marginLearntOnSimulatedTimers_data();
    void marginLearntOnSimulatedTimers();
    void budgetFillsAndEmpties();
    void busyFinishStaysWithinOnePercent();
};

// The loop's estimate on simulated timers: after `learning` wake-ups, at most
// `lateShare` of the next 2000 come later than the margin, and the margin is
// no wider than `atMost`. A hold-up now and then is the machine's, not the
// timer's, and moves it little.
void tst_WakePlanner::marginLearntOnSimulatedTimers_data()
{
    QTest::addColumn<Timer>("timer");
    QTest::addColumn<int>("learning");
    QTest::addColumn<double>("lateShare");
    QTest::addColumn<Duration>("atMost");

    QTest::newRow("precise: within 0.1 ms") << Timer([](std::mt19937 &r, int) { return uniform(r, 0us, 100us); })
                                            << 20 << 0.01 << Duration(700us);
    QTest::newRow("precise, a 50 ms hold-up every 200")
        << Timer([](std::mt19937 &r, int n) { return n % 200 == 7 ? Duration(50ms) : uniform(r, 0us, 100us); }) << 21
        << 0.01 << Duration(700us);
    QTest::newRow("whole milliseconds: 0.7 to 1.7 ms late")
        << Timer([](std::mt19937 &r, int) { return uniform(r, 700us, 1700us); }) << 20 << 0.01 << Duration(2500us);
    QTest::newRow("3 ms late from the start") << Timer([](std::mt19937 &r, int) { return uniform(r, 2900us, 3000us); })
                                              << 10 << 0.01 << Duration(3500us);
    QTest::newRow("a 15.6 ms system tick, any phase")
        << Timer([](std::mt19937 &r, int) { return uniform(r, 0us, 15600us); }) << 70 << 0.15 << Duration(16500us);
}

void tst_WakePlanner::marginLearntOnSimulatedTimers()
{
    QFETCH(Timer, timer);
    QFETCH(int, learning);
    QFETCH(double, lateShare);
    QFETCH(Duration, atMost);
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        std::mt19937 random(seed);
        platform::LatenessEstimate estimate(500us, 2ms);
        int n = 0;
        for (; n < learning; ++n)
            estimate.learn(timer(random, n));
        int late = 0;
        Duration widest{0};
        constexpr int checked = 2000;
        for (; n < learning + checked; ++n) {
            const Duration lateness = timer(random, n);
            late += lateness > estimate.margin() && lateness < 40ms ? 1 : 0;
            widest = std::max(widest, estimate.margin());
            estimate.learn(lateness);
        }
        QVERIFY2(late <= int(lateShare * checked) && widest <= atMost,
                 qPrintable(QStringLiteral("seed %1: %2 of %3 late, margin up to %4 µs")
                                .arg(seed).arg(late).arg(checked).arg(widest.count() / 1000)));
    }
}

// The budget: full at first, spent by busy waiting, refilled by time going by,
// never beyond its limit, and nothing earned while spinning.
void tst_WakePlanner::budgetFillsAndEmpties()
{
    platform::BusyBudget budget;
    const Duration start = 1h;
    const Duration full = budget.available(start);
    QVERIFY(full > 0ns);
    budget.spend(full);
    QCOMPARE(budget.available(start + full), 0ns); // the spin itself earned nothing
    const Duration refilled = budget.available(start + full + 10ms);
    QVERIFY(refilled > 0ns && refilled < full);
    // A busy wait that ends 10 ms on may take what has accrued by its start.
    const Duration ahead = budget.availableAfter(start + full + 10ms, 10ms);
    QVERIFY(ahead > refilled && ahead < 2 * refilled);
    QVERIFY(budget.available(start + full + 20ms - ahead) >= ahead);
    QCOMPARE(budget.available(start + full + 1h), full);
    budget.spend(1h); // more than it has: empty, not negative
    QCOMPARE(budget.available(start + 2h), 0ns);
}

// The alarms' use of the planner at random paces, with and without the
// thread's own sleep, each busy finish as long as the budget allows: the time
// spun in any second never exceeds 1 % of it.
void tst_WakePlanner::busyFinishStaysWithinOnePercent()
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        platform::WakePlanner planner(seed % 2 == 0);
        for (int i = 0; i < 30; ++i) {
            planner.learn(3ms); // wide margins, so the budget is what limits
            planner.learnFinish(3ms);
        }
        Duration now = 1h;
        std::deque<std::pair<Duration, Duration>> window; // (when, spun) over the last second
        Duration inWindow{0};
        for (int wake = 0; wake < 5000; ++wake) {
            const Duration deadline = now + uniform(random, 500us, 300ms);
            now = planner.earlyWake(now, deadline);
            now = std::max(now, planner.finishSleep(now, deadline));
            const Duration spun = std::min(deadline - now, planner.budget().available(now));
            planner.budget().spend(spun);
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
