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

} // namespace platform
