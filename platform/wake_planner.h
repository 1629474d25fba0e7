// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/busy_budget.h"
#include "platform/lateness_estimate.h"

#include <chrono>

namespace platform {

// When an alarm that must not be late asks to be woken, and how it finishes:
// the event loop wakes it a learnt margin before its deadline, and it waits
// out the rest on the thread, in a short sleep where the thread sleeps
// precisely and then on a busy budget. The program makes one for the thread
// that keeps its time and hands it to every alarm, which share what it learns
// and what it spends. Works on the times it is handed, so it reads no clock.
class WakePlanner {
public:
    using Duration = std::chrono::nanoseconds;

    // `finishSleeps`: whether the thread's own sleep ends within a fraction of a
    // millisecond (see sleepsPrecisely()), so that it can wait out the margin.
    explicit WakePlanner(bool finishSleeps)
        : m_finishSleeps(finishSleeps)
    {
    }

    // When to ask the event loop for, at `now`, to be in time for `deadline`.
    [[nodiscard]] Duration earlyWake(Duration now, Duration deadline);
    // Woken by the event loop at `now`: until when the thread should sleep by
    // itself, so that what is left is short enough to spin; `now` or earlier
    // when it should not sleep.
    [[nodiscard]] Duration finishSleep(Duration now, Duration deadline);

    // A wake-up from the event loop, or from the thread's own sleep, came
    // `lateness` after the moment asked for.
    void learn(Duration lateness) { m_loop.learn(lateness); }
    void learnFinish(Duration lateness) { m_finish.learn(lateness); }

    [[nodiscard]] BusyBudget &budget() { return m_budget; }

    [[nodiscard]] Duration margin() const
    {
        // A margin the thread sleeps out costs no CPU, so it also covers the
        // rarer wake-ups that come a millisecond or more late.
        return m_finishSleeps ? std::max(m_loop.margin(), sleptMargin) : m_loop.margin();
    }

private:
    static constexpr Duration sleptMargin = std::chrono::milliseconds(3);

    // Event-loop wake-ups where waits end on whole milliseconds (Wine) come up
    // to 2 ms late, and the thread's own sleeps there up to 1.5 ms: the least
    // margins until the first wake-ups have taught better ones.
    LatenessEstimate m_loop{std::chrono::microseconds(500), std::chrono::milliseconds(2)};
    LatenessEstimate m_finish{std::chrono::microseconds(100), std::chrono::microseconds(1500)};
    BusyBudget m_budget;
    bool m_finishSleeps;
};

} // namespace platform
