#include "platform/tick_schedule.h"

#include <algorithm>

namespace platform {

namespace {

constexpr TickSchedule::Duration catchUpLimit = std::chrono::seconds(1);

} // namespace

TickSchedule::TickSchedule(Duration period)
    : m_period(std::max(period, Duration{0}))
{
}

void TickSchedule::setPeriod(Duration period)
{
    m_period = std::max(period, Duration{0});
}

void TickSchedule::start(Duration from)
{
    m_running = true;
    m_nextDue = from + m_period;
}

void TickSchedule::stop()
{
    m_running = false;
}

int TickSchedule::maxBurst() const
{
    if (m_period <= Duration{0})
        return 1;
    return static_cast<int>(std::max<Duration::rep>(1, catchUpLimit / m_period));
}

int TickSchedule::deliver(Duration now, const TickHandler &onTick)
{
    const int limit = maxBurst();
    int delivered = 0;
    while (m_running && m_nextDue <= now && delivered < limit) {
        const Duration due = m_nextDue;
        // Advance first: the handler may stop or restart the schedule.
        m_nextDue += std::max(m_period, Duration{1});
        ++delivered;
        onTick(due);
    }
    if (m_running && m_nextDue <= now)
        m_nextDue = now + m_period; // after a suspend, say: no racing through the backlog
    return delivered;
}

} // namespace platform
