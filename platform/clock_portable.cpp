// SPDX-License-Identifier: GPL-3.0-or-later
// How the time-keeping thread sleeps on Linux and every other desktop Qt runs on.
#include "platform/clock.h"

namespace platform {

// One wait, never a loop: where the system rounds a wait down to nothing it
// returns early and the caller's busy finish, which it pays for, waits.
void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    sleepOnQt(at);
}

} // namespace platform
