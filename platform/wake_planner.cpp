// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wake_planner.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace platform {

void LatenessEstimate::learn(Duration lateness)
{
    constexpr Duration stride = std::chrono::microseconds(50);
    if (lateness < Duration{0})
        return;
    const bool farLate = lateness > m_estimate + std::chrono::milliseconds(3);
    m_recentFarLate[m_next] = farLate ? lateness : Duration{0};
    m_next = (m_next + 1) % window;
    if (farLate) {
        learnFarLate();
        return;
    }
    // Young, a step of 50 µs would take a score of late wake-ups to get where
    // the system wakes; doubling gets there in a few, yet one outlier can do
    // no more than double it.
    if (m_learnt < youth) {
        ++m_learnt;
        if (lateness > m_estimate) {
            m_estimate = std::max(m_estimate + stride * 995 / 1000, std::min(lateness, m_estimate * 2));
            return;
        }
    }
    // Steps of 99.5 % up and 0.5 % down settle where 0.5 % of wake-ups are later.
    if (lateness > m_estimate)
        m_estimate += stride * 995 / 1000;
    else
        m_estimate = std::max(m_estimate - stride * 5 / 1000, Duration{0});
}

void LatenessEstimate::learnFarLate()
{
    std::vector<Duration> seen; // rare: only on a far-late wake-up
    std::copy_if(m_recentFarLate.begin(), m_recentFarLate.end(), std::back_inserter(seen),
                 [](Duration d) { return d > Duration{0}; });
    if (seen.size() < repeatsToBelieve)
        return; // alone so far: the thread was held up, which says nothing of the system
    const auto middle = seen.begin() + std::ptrdiff_t(seen.size() - 1) / 2;
    std::nth_element(seen.begin(), middle, seen.end());
    m_estimate = std::max(m_estimate, *middle);
    m_recentFarLate.fill(Duration{0});
}

void BusyBudget::accrue(Duration now)
{
    if (!m_started || now < m_accruedTo) {
        m_started = true;
        m_accruedTo = now;
        return;
    }
    m_reserve = std::min(m_reserve + (now - m_accruedTo) * perMille / 1000, limit);
    m_accruedTo = now;
}

BusyBudget::Duration BusyBudget::available(Duration now)
{
    accrue(now);
    return m_reserve;
}

BusyBudget::Duration BusyBudget::availableAfter(Duration now, Duration wait)
{
    accrue(now);
    return std::min(m_reserve + std::max(wait, Duration{0}) * perMille / 1000, limit);
}

void BusyBudget::spend(Duration spun)
{
    spun = std::max(spun, Duration{0});
    m_reserve = std::max(m_reserve - spun, Duration{0});
    m_accruedTo += spun; // time spent spinning earns nothing, or a second could hold more than 1 %
}

WakePlanner::Duration WakePlanner::earlyWake(Duration now, Duration deadline)
{
    // A margin that the thread sleeps out costs no budget.
    if (m_finishSleeps)
        return deadline - margin();
    return deadline - std::min(margin(), m_budget.availableAfter(now, deadline - now));
}

WakePlanner::Duration WakePlanner::finishSleep(Duration now, Duration deadline)
{
    if (!m_finishSleeps)
        return now;
    return deadline - std::min(m_finish.margin(), m_budget.available(now));
}

} // namespace platform
