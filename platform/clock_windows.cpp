// SPDX-License-Identifier: GPL-3.0-or-later
// How the time-keeping thread sleeps on Windows, where a plain timed wait
// ends on a whole millisecond at best: on a high-resolution waitable timer.
#include "platform/clock.h"
#include "platform/high_resolution_timer.h"

namespace platform {

// One wait, never a loop: a wait that ends early leaves the rest to the
// caller's busy finish.
void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    thread_local HighResolutionTimer timer;
    if (!timer.isValid()) {
        sleepOnQt(at); // before Windows 10 1803
        return;
    }
    timer.fireAt(now(), at);
    timer.wait();
}

} // namespace platform
