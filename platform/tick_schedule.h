#pragma once

#include <chrono>
#include <functional>

namespace platform {

// When a periodic timer's ticks fall due, counted against a monotonic clock
// instead of from each late wake-up, so lateness never adds up. Knows nothing
// of Qt: the caller wakes it and hands it the time.
class TickSchedule {
public:
    using Duration = std::chrono::nanoseconds;
    using TickHandler = std::function<void(Duration due)>;

    explicit TickSchedule(Duration period);

    void setPeriod(Duration period);
    [[nodiscard]] Duration period() const { return m_period; }

    // The first tick falls one period after `from`.
    void start(Duration from);
    void stop();
    [[nodiscard]] bool isRunning() const { return m_running; }
    [[nodiscard]] Duration nextDue() const { return m_nextDue; }

    // Hands every tick due by `now` to onTick, one call each, at most one
    // second's worth; further behind than that, the rest is dropped and the
    // schedule starts afresh from now. Stops early once onTick stops the
    // schedule. Returns how many ticks it delivered.
    int deliver(Duration now, const TickHandler &onTick);

    // The most ticks one deliver() hands out: one second's worth, at least one.
    [[nodiscard]] int maxBurst() const;

private:
    Duration m_period;
    Duration m_nextDue{0};
    bool m_running = false;
};

} // namespace platform
