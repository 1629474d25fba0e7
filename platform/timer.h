// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Clock;

// How one timer keeps time; a time source makes them, a Timer drives one.
class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    virtual void setInterval(std::int32_t milliseconds) = 0;
    virtual void setEnabled(bool enabled) = 0;
    [[nodiscard]] virtual bool isEnabled() const = 0;
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
    ClockTimeSource(const ClockTimeSource &) = delete;
    ClockTimeSource &operator=(const ClockTimeSource &) = delete;

    // Delivers every tick due by now, of all its timers, oldest first.
    void catchUp();

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
    [[nodiscard]] bool isEnabled() const { return m_backend->isEnabled(); }

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
