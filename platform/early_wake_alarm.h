// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/system_time.h"
#include "platform/timer.h"

#include <array>
#include <chrono>
#include <cstddef>

// An alarm that must not be late, and the parts that plan its wake-up, each
// working on the times it is handed, so that only the alarm reads a clock.
namespace platform {

// How late one kind of wake-up comes: an estimate of the 99.5th percentile of
// its lateness, learnt a step at a time. A wake-up far later than the estimate
// is a held-up thread when it comes alone, and the system's coarseness (a
// 15.6 ms tick) when such make most of the last few: the estimate then takes
// their middle one. While young, it learns in bigger steps and its margin is
// at least `untaught`.
class LatenessEstimate {
public:
    using Duration = std::chrono::nanoseconds;

    LatenessEstimate(Duration initial, Duration untaught)
        : m_estimate(initial)
        , m_untaught(untaught)
    {
    }

    void learn(Duration lateness); // a wake-up came this long after its moment

    // How early to ask for a wake-up so that it is rarely late.
    [[nodiscard]] Duration margin() const
    {
        return m_learnt < youth ? std::max(m_estimate + slack, m_untaught) : m_estimate + slack;
    }

private:
    static constexpr std::size_t window = 4;           // of the last this many wake-ups,
    static constexpr std::size_t repeatsToBelieve = 3; // this many far late: the system's coarseness
    static constexpr std::size_t youth = 20;
    static constexpr Duration slack = std::chrono::microseconds(50);

    void learnFarLate();

    Duration m_estimate;
    Duration m_untaught;
    std::array<Duration, window> m_recentFarLate{}; // each far-late one's lateness, else 0
    std::size_t m_next = 0;
    std::size_t m_learnt = 0;
};

// What busy waiting may cost: a reserve that fills at 0.8 % of the time going
// by and holds at most 2 ms, so that over any second or longer the busy
// finishes cost at most 1 % of a core, whatever the pace. A short wait, such
// as the one after a click, draws on time saved during earlier ones.
class BusyBudget {
public:
    using Duration = std::chrono::nanoseconds;

    static constexpr Duration limit = std::chrono::milliseconds(2);
    static constexpr int perMille = 8; // of the time going by

    // How long a busy wait may take at `now`.
    [[nodiscard]] Duration available(Duration now)
    {
        accrue(now);
        return m_reserve;
    }
    // How long a busy wait that ends at `now + wait` may take, nothing spent before it starts.
    [[nodiscard]] Duration availableAfter(Duration now, Duration wait)
    {
        accrue(now);
        return std::min((m_reserve + std::max(wait, Duration{0}) * perMille / 1000) * 1000 / (1000 + perMille), limit);
    }
    // Time spent spinning earns nothing, or a second could hold more than 1 %.
    void spend(Duration spun)
    {
        m_reserve = std::max(m_reserve - std::max(spun, Duration{0}), Duration{0});
        m_accruedTo += std::max(spun, Duration{0});
    }

private:
    void accrue(Duration now)
    {
        if (m_started && now >= m_accruedTo)
            m_reserve = std::min(m_reserve + (now - m_accruedTo) * perMille / 1000, limit);
        m_started = true;
        m_accruedTo = now;
    }

    Duration m_reserve = limit;
    Duration m_accruedTo{0};
    bool m_started = false;
};

// When to ask the event loop to wake an alarm, a learnt margin before its
// deadline, and how it waits out the rest on the thread: a short sleep where
// the thread sleeps precisely, then a busy wait on the budget. The program
// makes one for the thread that keeps its time and hands it to every alarm.
class WakePlanner {
public:
    using Duration = std::chrono::nanoseconds;

    // `finishSleeps`: whether the thread's own sleep is precise (sleepsPrecisely()).
    explicit WakePlanner(bool finishSleeps)
        : m_finishSleeps(finishSleeps)
    {
    }

    // When to ask the event loop for, at `now`, to be in time for `deadline`.
    // A margin that the thread sleeps out costs no budget.
    [[nodiscard]] Duration earlyWake(Duration now, Duration deadline)
    {
        return deadline - (m_finishSleeps ? margin() : std::min(margin(), m_budget.availableAfter(now, deadline - now)));
    }
    // Woken by the event loop at `now`: until when the thread should sleep by
    // itself, so that what is left is short enough to spin; `now` if not at all.
    [[nodiscard]] Duration finishSleep(Duration now, Duration deadline)
    {
        return m_finishSleeps ? deadline - std::min(m_finish.margin(), m_budget.available(now)) : now;
    }

    // A wake-up from the event loop, or from the thread's own sleep, came this late.
    void learn(Duration lateness) { m_loop.learn(lateness); }
    void learnFinish(Duration lateness) { m_finish.learn(lateness); }

    [[nodiscard]] BusyBudget &budget() { return m_budget; }
    [[nodiscard]] bool finishSleeps() const { return m_finishSleeps; }

    // A margin the thread sleeps out costs no CPU, so it also covers the rarer
    // wake-ups that come a millisecond or more late.
    [[nodiscard]] Duration margin() const
    {
        return m_finishSleeps ? std::max(m_loop.margin(), sleptMargin) : m_loop.margin();
    }

private:
    static constexpr Duration sleptMargin = std::chrono::milliseconds(3);

    // Where waits end on whole milliseconds (Wine), event-loop wake-ups come up
    // to 2 ms late and the thread's own sleeps up to 1.5 ms: the least margins
    // until the first wake-ups have taught better ones.
    LatenessEstimate m_loop{std::chrono::microseconds(500), std::chrono::milliseconds(2)};
    LatenessEstimate m_finish{std::chrono::microseconds(100), std::chrono::microseconds(1500)};
    BusyBudget m_budget;
    bool m_finishSleeps;
};

// An alarm that is never late by more than the system makes it: it sleeps on
// a system wait until the planner's margin before its deadline, then waits out
// the rest on the thread (a short sleep, then a busy loop on the budget), or
// sleeps on to the deadline where the budget does not cover what is left.
class EarlyWakeAlarm final : public Alarm {
public:
    EarlyWakeAlarm(const Clock &clock, WakePlanner &planner, const WaitFactory &makeWait,
                   std::function<void()> onAlarm);

    void wakeAt(Duration deadline) override;
    void cancel() override;

private:
    static constexpr Duration longestFinishSleep = std::chrono::milliseconds(5); // it holds up the event loop
    void onWake();
    void learnLateness(Duration woke)
    {
        if (m_learn && woke >= m_sleepUntil)
            m_planner.learn(woke - m_sleepUntil);
    }
    // Returns when the thread woke from its own sleep; `woke` if it did not sleep.
    [[nodiscard]] Duration sleepOutMargin(Duration woke);
    [[nodiscard]] bool budgetCovers(Duration now)
    {
        return now >= m_deadline || m_deadline - now <= m_planner.budget().available(now);
    }
    void sleepOn(Duration woke);
    void spinToDeadline(Duration now);

    const Clock &m_clock;
    WakePlanner &m_planner;
    std::function<void()> m_onAlarm;
    std::unique_ptr<SystemWait> m_wait;
    Duration m_deadline{0};
    Duration m_sleepUntil{0};
    bool m_armed = false;
    bool m_learn = false;
};

// Makers for a time source, every alarm sharing `planner`: on this system's
// own wait (the portable one where it has none), or on the portable wait.
[[nodiscard]] AlarmFactory systemAlarms(WakePlanner &planner);
[[nodiscard]] AlarmFactory portableAlarms(WakePlanner &planner);

} // namespace platform
