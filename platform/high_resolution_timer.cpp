// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/high_resolution_timer.h"

#include <windows.h>

// Older MinGW headers lack it; Windows has understood it since 10 1803.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {

HighResolutionTimer::HighResolutionTimer()
    // Auto-reset: a wait that it satisfies resets it, so it fires once per setting.
    : m_handle(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS))
{
}

HighResolutionTimer::~HighResolutionTimer()
{
    if (m_handle)
        CloseHandle(m_handle);
}

void HighResolutionTimer::fireAt(std::chrono::nanoseconds now, std::chrono::nanoseconds at)
{
    // Relative, so it counts on the same interrupt time as the steady clock,
    // whatever happens to the wall clock meanwhile.
    LARGE_INTEGER due;
    due.QuadPart = relativeDueTime(now, at);
    SetWaitableTimer(m_handle, &due, 0, nullptr, nullptr, FALSE);
}

void HighResolutionTimer::cancel()
{
    CancelWaitableTimer(m_handle);
}

void HighResolutionTimer::wait()
{
    WaitForSingleObject(m_handle, INFINITE);
}

} // namespace platform
