// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

// What keeping time asks of the system; how one system does it is one file,
// time_<system>.cpp, picked in CMake (time_qt.cpp: what desktops share).
namespace platform {

class Clock;

// What an alarm sleeps on: a wait watched by the event loop that calls back once, about a moment.
class SystemWait {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~SystemWait() = default;
    virtual void wakeAt(Duration at) = 0; // replaces any earlier moment
    virtual void stop() = 0;
};

using WaitFactory = std::function<std::unique_ptr<SystemWait>(const Clock &clock, std::function<void()> onWake)>;

// This system's most exact wait; null where it has none.
[[nodiscard]] std::unique_ptr<SystemWait> makeSystemWait(const Clock &clock, std::function<void()> onWake);
// Every desktop's wait: a precise QTimer.
[[nodiscard]] std::unique_ptr<SystemWait> makePortableWait(const Clock &clock, std::function<void()> onWake);
// Every desktop's sleep of the thread: a timed wait on a Qt wait condition.
void sleepOnQt(std::chrono::nanoseconds at);

// Asks the system to treat the calling thread as the one that keeps the
// exercise's time: no gathering of its timed waits (Linux), a core as soon as
// it wakes (Windows, macOS). A request only; the system may decline.
void keepTimeOnThisThread();

// The browser's alarm, on the page's clock (time_web.cpp).
[[nodiscard]] std::unique_ptr<Alarm> makeFrameAlarm(std::function<void()> onAlarm);

// A Windows waitable timer's due time for a wait from `now` until `at`: in
// units of 100 ns, negative (relative), rounded up so that it never ends
// early; -1 (at once) for a moment already here.
[[nodiscard]] constexpr std::int64_t relativeDueTime(std::chrono::nanoseconds now, std::chrono::nanoseconds at)
{
    const std::int64_t units = ((at - now).count() + 99) / 100;
    return units > 0 ? -units : -1;
}

} // namespace platform
