// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace platform {

class Clock;

// What an alarm sleeps on: a wait that the event loop watches and that calls
// back once, at about a moment on the steady clock. It may come a little early
// or late; the alarm that sleeps on it finishes the wait itself.
class SystemWait {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~SystemWait() = default;
    // Replaces any earlier moment.
    virtual void wakeAt(Duration at) = 0;
    virtual void stop() = 0;
};

using WaitFactory = std::function<std::unique_ptr<SystemWait>(const Clock &clock, std::function<void()> onWake)>;

// This system's own most exact wait: on Linux a timerfd, on Windows a
// high-resolution waitable timer. Null where the system has none, or where
// this build uses none of its own; one file a system defines it.
[[nodiscard]] std::unique_ptr<SystemWait> makeSystemWait(const Clock &clock, std::function<void()> onWake);

// The wait of every system Qt runs on: a precise QTimer.
[[nodiscard]] std::unique_ptr<SystemWait> makePortableWait(const Clock &clock, std::function<void()> onWake);

} // namespace platform
