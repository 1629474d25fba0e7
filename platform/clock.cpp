// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

namespace platform {

std::chrono::nanoseconds SteadyClock::now() const
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

Clock &systemClock()
{
    static SteadyClock clock;
    return clock;
}

} // namespace platform
