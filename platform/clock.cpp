// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

namespace platform {

bool sleepsPrecisely(const Clock &clock)
{
    // Most of the sleeps must end within 0.5 ms after the moment; one that a
    // busy start-up delays does not decide. Where waits are whole milliseconds
    // or coarser they end early or late.
    using namespace std::chrono_literals;
    constexpr int tries = 5;
    int good = 0;
    for (int i = 0; i < tries && good < 3 && i - good < 3; ++i) {
        const std::chrono::nanoseconds at = clock.now() + 200us;
        clock.sleepUntil(at);
        const std::chrono::nanoseconds late = clock.now() - at;
        if (late >= 0ns && late <= 500us)
            ++good;
    }
    return good >= 3;
}

} // namespace platform
