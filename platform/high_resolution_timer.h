// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>

namespace platform {

// What a Windows waitable timer is given for a wait from `now` until `at`:
// a relative due time in units of 100 ns, negative, rounded up so that it never
// ends early; -1 (as soon as it can) for a moment already here or past.
[[nodiscard]] constexpr std::int64_t relativeDueTime(std::chrono::nanoseconds now, std::chrono::nanoseconds at)
{
    const std::int64_t units = ((at - now).count() + 99) / 100;
    return units > 0 ? -units : -1;
}

// Windows only (its definition is): a high-resolution waitable timer (Windows 10 1803 and later),
// whose waits end within a fraction of a millisecond of their moment at no
// CPU cost, where a plain timed wait ends on the system's timer tick.
class HighResolutionTimer {
public:
    HighResolutionTimer();
    ~HighResolutionTimer();
    HighResolutionTimer(const HighResolutionTimer &) = delete;
    HighResolutionTimer &operator=(const HighResolutionTimer &) = delete;

    // False where this Windows has no such timer.
    [[nodiscard]] bool isValid() const { return m_handle != nullptr; }
    // The timer's handle (a HANDLE), signalled when it fires.
    [[nodiscard]] void *handle() const { return m_handle; }

    // Fires once, from `now` at `at` on the steady clock; replaces any earlier setting.
    void fireAt(std::chrono::nanoseconds now, std::chrono::nanoseconds at);
    void cancel();
    // Blocks the calling thread until it fires.
    void wait();

private:
    void *m_handle = nullptr;
};

} // namespace platform
