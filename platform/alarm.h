// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace platform {

// Calls back once, at or after an absolute time on the monotonic clock, never
// before it. A timer sleeps on one of these; tests put a hand-fired one in its place.
class Alarm {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~Alarm() = default;
    // Replaces any earlier request.
    virtual void wakeAt(Duration deadline) = 0;
    virtual void cancel() = 0;
};

using AlarmFactory = std::function<std::unique_ptr<Alarm>(std::function<void()> onAlarm)>;

// Sleeps on the event loop and finishes the last stretch by watching the clock,
// so it wakes within microseconds of the deadline. Reads the steady clock.
[[nodiscard]] std::unique_ptr<Alarm> makeSystemAlarm(std::function<void()> onAlarm);

} // namespace platform
