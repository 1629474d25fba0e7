// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// When a periodic timer's ticks fall due, counted against a monotonic clock
// instead of from each late wake-up, so lateness never adds up. Knows nothing
// of Qt: the caller wakes up, hands it the time and delivers what is due.
class TickSchedule {
public:
    using Duration = std::chrono::nanoseconds;

    explicit TickSchedule(Duration period);

    void setPeriod(Duration period);
    [[nodiscard]] Duration period() const { return m_period; }

    // The first tick falls one period after `from`.
    void start(Duration from);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_running; }
    [[nodiscard]] Duration nextDue() const { return m_nextDue; }

    // Hands out the next tick: returns its due time and moves on to the one after.
    Duration takeNext();

    // The caller means to sleep until the tick `ticks` from now (1: the next one),
    // delivering those before it together with it.
    void awaitTick(std::int64_t ticks);
    [[nodiscard]] Duration awaited() const { return m_awaited; }

    // A wake-up a second or more after the awaited tick means the program was held
    // up or suspended: the timeline then moves on by that much, as if it had
    // stood still meanwhile, and nothing is raced through. Returns whether it moved.
    bool resumeIfLate(Duration now);

private:
    Duration m_period;
    Duration m_nextDue{0};
    Duration m_awaited{0};
    bool m_running = false;
};

} // namespace platform
