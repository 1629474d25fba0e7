// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wake_planner.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

namespace platform {

using Duration = WakePlanner::Duration;

void WakePlanner::accrue(Duration now)
{
    if (!m_started || now < m_accruedTo) {
        m_started = true;
        m_accruedTo = now;
        return;
    }
    m_reserve = std::min(m_reserve + (now - m_accruedTo) * reservePerMille / 1000, reserveLimit);
    m_accruedTo = now;
}

Duration WakePlanner::earlyWake(Duration now, Duration deadline)
{
    accrue(now);
    // A margin that the thread sleeps out costs no reserve.
    if (m_finishSleeps)
        return deadline - margin();
    // What the reserve will hold when the wake-up comes, if nothing else spends it.
    const Duration sleep = std::max(deadline - now, Duration{0});
    const Duration available = std::min(m_reserve + sleep * reservePerMille / 1000, reserveLimit);
    return deadline - std::min(margin(), available);
}

Duration WakePlanner::finishSleep(Duration now, Duration deadline)
{
    if (!m_finishSleeps)
        return now;
    return deadline - std::min(finishMargin(), reserve(now));
}

void WakePlanner::Lateness::learn(Duration lateness)
{
    constexpr Duration stride = std::chrono::microseconds(50);
    if (lateness < Duration{0})
        return;
    const bool farLate = lateness > ceiling();
    recent[next] = farLate ? lateness : Duration{0};
    next = (next + 1) % window;
    if (farLate) {
        std::vector<Duration> seen; // rare: only on a far-late wake-up
        std::copy_if(recent.begin(), recent.end(), std::back_inserter(seen), [](Duration d) { return d > Duration{0}; });
        if (seen.size() < repeatsToBelieve)
            return; // alone so far: the thread was held up, which says nothing of the system
        const auto middle = seen.begin() + std::ptrdiff_t(seen.size() - 1) / 2;
        std::nth_element(seen.begin(), middle, seen.end());
        estimate = std::max(estimate, *middle);
        recent.fill(Duration{0});
        return;
    }
    if (learnt < youth) {
        ++learnt;
        // Young, the estimate starts far from where the system wakes (Wine's
        // sleeps end 0.7 ms late): a step of 50 µs would take a score of late
        // steps to get there. Doubling gets there in a few, yet one early
        // outlier can do no more than double it.
        if (lateness > estimate) {
            estimate = std::max(estimate + stride * 995 / 1000, std::min(lateness, estimate * 2));
            return;
        }
    }
    if (lateness > estimate)
        estimate += stride * 995 / 1000;
    else
        estimate = std::max(estimate - stride * 5 / 1000, Duration{0});
}

Duration WakePlanner::reserve(Duration now)
{
    accrue(now);
    return m_reserve;
}

void WakePlanner::spend(Duration spun)
{
    spun = std::max(spun, Duration{0});
    m_reserve = std::max(m_reserve - spun, Duration{0});
    m_accruedTo += spun; // time spent spinning earns nothing, or a second could hold more than 1%
}

WakePlanner &eventLoopWakePlanner()
{
    static WakePlanner planner;
    return planner;
}

} // namespace platform
