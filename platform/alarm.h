// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace platform {

class Clock;

// Calls back once, at or after an absolute time on its clock, never before it.
// A timer sleeps on one of these; tests put a hand-fired one in its place.
class Alarm {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~Alarm() = default;
    // Replaces any earlier request.
    virtual void wakeAt(Duration deadline) = 0;
    virtual void cancel() = 0;
};

using AlarmFactory = std::function<std::unique_ptr<Alarm>(const Clock &clock, std::function<void()> onAlarm)>;

// The most exact alarm this platform has: on Linux a timerfd, on Windows a
// high-resolution waitable timer, elsewhere the portable one. Each sleeps on
// the event loop until a learnt margin before the deadline and finishes by
// watching `clock`, which must be the steady clock.
[[nodiscard]] std::unique_ptr<Alarm> makeSystemAlarm(const Clock &clock, std::function<void()> onAlarm);

// The alarm of every platform Qt runs on: a precise QTimer for the sleep.
[[nodiscard]] std::unique_ptr<Alarm> makePortableAlarm(const Clock &clock, std::function<void()> onAlarm);

} // namespace platform
