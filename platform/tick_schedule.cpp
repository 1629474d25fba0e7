// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tick_schedule.h"

#include <algorithm>

namespace platform {

namespace {

constexpr TickSchedule::Duration lateLimit = std::chrono::seconds(1);
// A shorter period would hand out ticks faster than anything could use them.
constexpr TickSchedule::Duration shortestPeriod = std::chrono::milliseconds(1);
// Sleeps longer than this are taken in parts, so a burst stays small.
constexpr std::int64_t mostTicksAhead = 1000;

} // namespace

TickSchedule::TickSchedule(Duration period)
    : m_period(std::max(period, shortestPeriod))
{
}

void TickSchedule::setPeriod(Duration period)
{
    m_period = std::max(period, shortestPeriod);
}

void TickSchedule::start(Duration from)
{
    m_running = true;
    m_nextDue = from + m_period;
    m_awaited = m_nextDue;
}

void TickSchedule::stop()
{
    m_running = false;
}

TickSchedule::Duration TickSchedule::takeNext()
{
    const Duration due = m_nextDue;
    m_nextDue += m_period;
    return due;
}

void TickSchedule::awaitTick(std::int64_t ticks)
{
    m_awaited = m_nextDue + m_period * (std::clamp<std::int64_t>(ticks, 1, mostTicksAhead) - 1);
}

bool TickSchedule::resumeIfLate(Duration now)
{
    const Duration lateness = now - m_awaited;
    if (!m_running || lateness < lateLimit)
        return false;
    m_nextDue += lateness;
    m_awaited += lateness;
    return true;
}

} // namespace platform
