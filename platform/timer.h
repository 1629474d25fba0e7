// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Clock;
class Timer;

enum class TimerStyle {
    KeepToClock, // ticks counted against the clock, missed ones caught up
    QtPlain,     // a default periodic QTimer: only for measuring against
};

// Applies to the timers constructed after the call.
void setTimerStyle(TimerStyle style);

// The clock that a group of timers keeps to and the alarms they sleep on.
// Ticks of its timers are delivered strictly in the order they fall due, also
// across timers, however late the wake-ups come.
class TimeSource {
public:
    TimeSource(const Clock &clock, AlarmFactory makeAlarm);
    ~TimeSource();
    TimeSource(const TimeSource &) = delete;
    TimeSource &operator=(const TimeSource &) = delete;

    [[nodiscard]] const Clock &clock() const;

    // Delivers every tick due by now, of all its timers, oldest first.
    void catchUp();

    // For an event that reads or changes what the ticks work on, such as a click:
    // every tick due before it is delivered first, so it is judged by the state
    // of its moment, and the timers look at their lookahead again after it.
    void runBetweenTicks(const std::function<void()> &event);

private:
    friend class Timer;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The steady clock and the system's alarms.
[[nodiscard]] TimeSource &systemTimeSource();

// A window timer: while enabled it calls its handler once per period, the
// first time one period after it was enabled. Enabling an enabled timer does
// not restart it; changing the period of a running one does. A timer enabled
// from inside a tick counts from the moment that tick was due, so a late
// wake-up does not shift what follows.
class Timer {
public:
    explicit Timer(std::function<void()> onTimeout, TimeSource &time = systemTimeSource());
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setInterval(std::int32_t milliseconds);
    [[nodiscard]] std::int32_t interval() const;
    void setEnabled(bool enabled);
    [[nodiscard]] bool isEnabled() const;

    // Tells the timer how many ticks from now until one that has an effect; it
    // may then sleep through those before it and deliver them, each as its own
    // call, together with that one. Anything else that changes the answer must
    // run through TimeSource::runBetweenTicks().
    void setLookahead(std::function<std::int64_t()> ticksUntilEffect);

private:
    friend class TimeSource;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
