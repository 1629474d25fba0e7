// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/early_wake_alarm.h"

#include "tests/support/hand_clock.h"

#include <QTest>

#include <chrono>
#include <memory>
#include <optional>
#include <random>

using namespace std::chrono_literals;
using Duration = std::chrono::nanoseconds;

namespace {

// The system's wait, by hand: it remembers the moment asked for, and the test
// says when it goes off.
struct HandWait final : platform::SystemWait {
    explicit HandWait(std::function<void()> onWake)
        : onWake(std::move(onWake))
    {
    }
    void wakeAt(Duration at) override
    {
        asked = at;
        ++requests;
    }
    void stop() override { asked.reset(); }

    std::function<void()> onWake;
    std::optional<Duration> asked;
    int requests = 0;
};

// One alarm on a hand clock and a hand wait; each read of the clock moves it
// 1 µs, so a busy finish ends.
struct Rig {
    explicit Rig(bool finishSleeps)
        : planner(finishSleeps)
    {
        clock.stepPerRead = 1us;
        alarm = std::make_unique<platform::EarlyWakeAlarm>(
            clock, planner,
            [this](const platform::Clock &, std::function<void()> onWake) {
                auto made = std::make_unique<HandWait>(std::move(onWake));
                wait = made.get();
                return made;
            },
            [this] {
                fired.push_back(clock.reading);
                if (onFire)
                    onFire();
            });
    }

    // The wait goes off at `at`, whatever it was asked for.
    void wakeUpAt(Duration at)
    {
        clock.reading = at;
        wait->asked.reset();
        wait->onWake();
    }

    HandClock clock{1h};
    platform::WakePlanner planner;
    HandWait *wait = nullptr;
    std::unique_ptr<platform::EarlyWakeAlarm> alarm;
    std::vector<Duration> fired;
    std::function<void()> onFire;
};

} // namespace

class tst_EarlyWakeAlarm : public QObject {
    Q_OBJECT

private slots:
    void asksToBeWokenEarly();
    void wokenEarlySleepsOn();
    void finishesWithAShortSleep();
    void spinsWithinTheBudget();
    void outOfBudgetSleepsToTheDeadline();
    void shortWaitsAfterADrainedReserve();
    void onTimeAfterABurstOfLateWakeUps();
    void cancelledWhileAsleep();
    void reArmedFromItsOwnCallback();
    void neverEarlyOnRandomWakeUps();
};

void tst_EarlyWakeAlarm::asksToBeWokenEarly()
{
    Rig rig(false);
    const Duration deadline = rig.clock.reading + 1s;
    rig.alarm->wakeAt(deadline);
    QVERIFY(rig.wait->asked);
    QCOMPARE(*rig.wait->asked, deadline - rig.planner.margin());
}

// A wake-up well before the moment asked for (a timer that rounds down) goes
// back to sleep until that moment, and fires nothing.
void tst_EarlyWakeAlarm::wokenEarlySleepsOn()
{
    Rig rig(false);
    const Duration deadline = rig.clock.reading + 1s;
    rig.alarm->wakeAt(deadline);
    const Duration asked = *rig.wait->asked;
    rig.wakeUpAt(deadline - 20ms);
    QVERIFY(rig.fired.empty());
    QCOMPARE(rig.wait->asked, std::optional<Duration>(asked));
}

// Where the thread sleeps precisely, it sleeps out most of the margin itself
// and spins only the short rest.
void tst_EarlyWakeAlarm::finishesWithAShortSleep()
{
    Rig rig(true);
    for (int i = 0; i < 20; ++i)
        rig.planner.learnFinish(10us); // sleeps that have ended on time
    const Duration deadline = rig.clock.reading + 1s;
    rig.alarm->wakeAt(deadline);
    rig.wakeUpAt(*rig.wait->asked);
    QCOMPARE(rig.clock.sleeps, 1);
    QCOMPARE(rig.fired.size(), std::size_t{1});
    QVERIFY(rig.fired[0] >= deadline);
    QVERIFY(rig.fired[0] < deadline + 5us);
    const Duration budgetLeft = rig.planner.budget().available(rig.clock.reading);
    QVERIFY2(platform::BusyBudget::limit - budgetLeft < 300us, "the sleep, not the spin, waits out most of the margin");
}

void tst_EarlyWakeAlarm::spinsWithinTheBudget()
{
    Rig rig(false);
    const Duration deadline = rig.clock.reading + 1s;
    rig.alarm->wakeAt(deadline);
    const Duration budgetBefore = rig.planner.budget().available(rig.clock.reading);
    rig.wakeUpAt(deadline - 400us);
    QCOMPARE(rig.clock.sleeps, 0);
    QCOMPARE(rig.fired.size(), std::size_t{1});
    QVERIFY(rig.fired[0] >= deadline && rig.fired[0] < deadline + 5us);
    const Duration spent = budgetBefore - rig.planner.budget().available(rig.fired[0]);
    QVERIFY2(spent >= 390us && spent <= 410us, qPrintable(QString::number(spent.count())));
}

// With the budget spent meanwhile (by another alarm), what is left is not
// spun: the alarm sleeps on to the deadline itself and fires when woken there.
void tst_EarlyWakeAlarm::outOfBudgetSleepsToTheDeadline()
{
    Rig rig(false);
    const Duration deadline = rig.clock.reading + 1s;
    rig.alarm->wakeAt(deadline);
    const Duration asked = *rig.wait->asked;
    rig.planner.budget().spend(rig.planner.budget().available(asked)); // just before the wake-up
    rig.wakeUpAt(asked);
    QVERIFY(rig.fired.empty());
    QCOMPARE(rig.wait->asked, std::optional<Duration>(deadline));
    rig.wakeUpAt(deadline + 20us);
    QCOMPARE(rig.fired.size(), std::size_t{1});
    QVERIFY(rig.fired[0] >= deadline + 20us && rig.fired[0] < deadline + 25us); // at once, no spin
}

// Right after a spin that drained the reserve, a short wait (as after a click)
// is asked to wake only as early as the reserve will have refilled by then, so
// a wake-up on time is finished on time, not slept on to the deadline.
void tst_EarlyWakeAlarm::shortWaitsAfterADrainedReserve()
{
    Rig rig(false);
    rig.alarm->wakeAt(rig.clock.reading + 1s);
    rig.wakeUpAt(*rig.wait->asked);
    QVERIFY(rig.planner.budget().available(rig.clock.reading) < 10us); // the spin took it all
    for (const Duration wait : {80ms, 20ms, 5ms}) {
        const Duration deadline = rig.clock.reading + wait;
        rig.alarm->wakeAt(deadline);
        QVERIFY(rig.wait->asked && *rig.wait->asked < deadline);
        const std::size_t before = rig.fired.size();
        rig.wakeUpAt(*rig.wait->asked);
        QVERIFY2(rig.fired.size() == before + 1, qPrintable(QStringLiteral("after %1 ms: slept on").arg(wait / 1ms)));
        QVERIFY(rig.fired.back() >= deadline && rig.fired.back() < deadline + 5us);
    }
}

// Three wake-ups far late in a row (a busy machine) widen the margin beyond
// what the thread's own sleep finishes. When the system's wait then comes a
// millisecond late, as Wine's does, each alarm must still fire on time, not as
// late as that wait.
void tst_EarlyWakeAlarm::onTimeAfterABurstOfLateWakeUps()
{
    Rig rig(true);
    Duration deadline = rig.clock.reading;
    const auto request = [&](Duration late) {
        deadline += 1s;
        rig.alarm->wakeAt(deadline);
        const std::size_t before = rig.fired.size();
        for (int wake = 0; wake < 5 && rig.fired.size() == before; ++wake)
            rig.wakeUpAt(*rig.wait->asked + late);
        return rig.fired.size() == before ? std::nullopt : std::optional(rig.fired.back() - deadline);
    };
    for (int i = 0; i < 3; ++i)
        request(10ms);
    QVERIFY2(rig.planner.margin() > 8ms, "the burst taken for the system's coarseness");
    for (int i = 0; i < 10; ++i) {
        const std::optional<Duration> late = request(1ms);
        QVERIFY2(late && *late >= 0ns && *late < 5us,
                 qPrintable(QStringLiteral("request %1: %2 µs late").arg(i).arg(late ? late->count() / 1000 : -1)));
    }
}

void tst_EarlyWakeAlarm::cancelledWhileAsleep()
{
    Rig rig(false);
    rig.alarm->wakeAt(rig.clock.reading + 1s);
    rig.alarm->cancel();
    QVERIFY(!rig.wait->asked);
    rig.wakeUpAt(rig.clock.reading + 1s); // a wake-up already on its way
    QVERIFY(rig.fired.empty());
    const int requests = rig.wait->requests;
    rig.alarm->cancel(); // cancelled again: no call on the system
    QCOMPARE(rig.wait->requests, requests);
}

void tst_EarlyWakeAlarm::reArmedFromItsOwnCallback()
{
    Rig rig(false);
    const Duration first = rig.clock.reading + 1s;
    rig.onFire = [&] {
        rig.onFire = nullptr;
        rig.alarm->wakeAt(first + 1s);
    };
    rig.alarm->wakeAt(first);
    rig.wakeUpAt(*rig.wait->asked);
    QCOMPARE(rig.fired.size(), std::size_t{1});
    QVERIFY(rig.wait->asked && *rig.wait->asked > first);
    rig.wakeUpAt(*rig.wait->asked);
    QCOMPARE(rig.fired.size(), std::size_t{2});
    QVERIFY(rig.fired[1] >= first + 1s);
}

// Wake-ups early, on time and late, sleeps that end late, budgets full and
// spent: an alarm fires once per request and never before its deadline.
void tst_EarlyWakeAlarm::neverEarlyOnRandomWakeUps()
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        const auto us = [&](int from, int to) {
            return Duration(std::chrono::microseconds(std::uniform_int_distribution<int>(from, to)(random)));
        };
        Rig rig(seed % 2 == 0);
        for (int request = 0; request < 500; ++request) {
            rig.clock.sleepLateness = us(0, 300);
            const Duration deadline = rig.clock.reading + us(-1000, 50'000);
            rig.alarm->wakeAt(deadline);
            const std::size_t before = rig.fired.size();
            for (int wake = 0; rig.fired.size() == before; ++wake) {
                QVERIFY2(wake < 100 && rig.wait->asked, qPrintable(QStringLiteral("seed %1: never fired").arg(seed)));
                rig.wakeUpAt(std::max(rig.clock.reading, *rig.wait->asked + us(-1000, 2000)));
            }
            QCOMPARE(rig.fired.size(), before + 1);
            QVERIFY2(rig.fired.back() >= deadline, qPrintable(QStringLiteral("seed %1, request %2: %3 ns early")
                                                                  .arg(seed).arg(request)
                                                                  .arg((deadline - rig.fired.back()).count())));
        }
    }
}

QTEST_APPLESS_MAIN(tst_EarlyWakeAlarm)
#include "tst_early_wake_alarm.moc"
