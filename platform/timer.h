// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

namespace platform {

class Clock;

// Calls back once, at or after an absolute time on its clock, never before it.
// A time source sleeps on one; tests put a hand-fired one in its place.
class Alarm {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~Alarm() = default;
    virtual void wakeAt(Duration deadline) = 0; // replaces any earlier request
    virtual void cancel() = 0;
};

using AlarmFactory = std::function<std::unique_ptr<Alarm>(const Clock &clock, std::function<void()> onAlarm)>;

// When a periodic timer's ticks fall due, counted against a monotonic clock
// instead of from each late wake-up, so lateness never adds up. Knows nothing
// of Qt: the caller wakes up, hands it the time and delivers what is due.
class TickSchedule {
public:
    using Duration = std::chrono::nanoseconds;

    explicit TickSchedule(Duration period) { setPeriod(period); }

    // A shorter period than 1 ms would hand out ticks faster than anything could use them.
    void setPeriod(Duration period) { m_period = std::max<Duration>(period, std::chrono::milliseconds(1)); }
    [[nodiscard]] Duration period() const { return m_period; }

    // The first tick falls one period after `from`.
    void start(Duration from)
    {
        m_running = true;
        m_nextDue = m_awaited = from + m_period;
    }
    void stop() { m_running = false; }
    [[nodiscard]] bool isRunning() const { return m_running; }
    [[nodiscard]] Duration nextDue() const { return m_nextDue; }

    // Hands out the next tick: returns its due time and moves on to the one after.
    Duration takeNext() { return std::exchange(m_nextDue, m_nextDue + m_period); }

    // The caller means to sleep until the tick `ticks` from now (1: the next
    // one), delivering those before it together with it; at most 1000 ahead,
    // so a burst stays small.
    void awaitTick(std::int64_t ticks)
    {
        m_awaited = m_nextDue + m_period * (std::clamp<std::int64_t>(ticks, 1, 1000) - 1);
    }
    [[nodiscard]] Duration awaited() const { return m_awaited; }

    // A wake-up a second or more after the awaited tick means the program was
    // held up or suspended: the timeline moves on by that much, and nothing is
    // raced through. Returns whether it moved.
    bool resumeIfLate(Duration now)
    {
        const Duration lateness = now - m_awaited;
        if (!m_running || lateness < std::chrono::seconds(1))
            return false;
        m_nextDue += lateness;
        m_awaited += lateness;
        return true;
    }

private:
    Duration m_period{0};
    Duration m_nextDue{0};
    Duration m_awaited{0};
    bool m_running = false;
};

// How one timer keeps time; a time source makes them, a Timer drives one.
class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    virtual void setInterval(std::int32_t milliseconds) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setLookahead(std::function<std::int64_t()> ticksUntilEffect) = 0;
};

// What a window's timers run on. Whoever builds the window chooses the kind.
class TimeSource {
public:
    virtual ~TimeSource() = default;

    [[nodiscard]] virtual std::unique_ptr<TimerBackend> makeTimer(std::function<void()> onTick) = 0;

    // For an event that reads or changes what the ticks work on, such as a click:
    // every tick due before it is delivered first, so it is judged by the state
    // of its moment, and the timers look at their lookahead again after it.
    virtual void runBetweenTicks(const std::function<void()> &event) = 0;
};

// Timers that keep to a clock: ticks are counted against it and sleep on
// alarms, and the ticks of all its timers are delivered strictly in the order
// they fall due, however late the wake-ups come.
class ClockTimeSource final : public TimeSource {
public:
    ClockTimeSource(const Clock &clock, AlarmFactory makeAlarm);
    ~ClockTimeSource() override;

    [[nodiscard]] std::unique_ptr<TimerBackend> makeTimer(std::function<void()> onTick) override;
    void runBetweenTicks(const std::function<void()> &event) override;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// A window timer: while enabled it calls its handler once per period, the
// first time one period after it was enabled. Enabling an enabled timer does
// not restart it; changing the period of a running one does. A timer enabled
// from inside a tick counts from the moment that tick was due, so a late
// wake-up does not shift what follows. Once the program is ending, it is silent.
class Timer {
public:
    Timer(std::function<void()> onTimeout, TimeSource &time);
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setInterval(std::int32_t milliseconds);
    void setEnabled(bool enabled) { m_backend->setEnabled(enabled); }

    // Tells the timer how many ticks from now until one that has an effect; it
    // may then sleep through those before it and deliver them, each as its own
    // call, together with that one. Anything else that changes the answer must
    // run through TimeSource::runBetweenTicks().
    void setLookahead(std::function<std::int64_t()> ticksUntilEffect)
    {
        m_backend->setLookahead(std::move(ticksUntilEffect));
    }

private:
    std::unique_ptr<TimerBackend> m_backend;
};

} // namespace platform
