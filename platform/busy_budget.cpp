// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/busy_budget.h"

#include <algorithm>

namespace platform {

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

} // namespace platform
