// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wake_planner.h"

#include <algorithm>

namespace platform {

using Duration = WakePlanner::Duration;

Duration WakePlanner::earlyWake(Duration now, Duration deadline)
{
    // A margin that the thread sleeps out costs no budget.
    if (m_finishSleeps)
        return deadline - margin();
    return deadline - std::min(margin(), m_budget.availableAfter(now, deadline - now));
}

Duration WakePlanner::finishSleep(Duration now, Duration deadline)
{
    if (!m_finishSleeps)
        return now;
    return deadline - std::min(m_finish.margin(), m_budget.available(now));
}

} // namespace platform
