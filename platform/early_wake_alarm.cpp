// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/early_wake_alarm.h"

#include "platform/clock.h"
#include "platform/thread_timing.h"
#include "platform/wake_planner.h"

#include <algorithm>
#include <utility>

namespace platform {

EarlyWakeAlarm::EarlyWakeAlarm(const Clock &clock, std::function<void()> onAlarm)
    : m_clock(clock)
    , m_planner(eventLoopWakePlanner())
    , m_onAlarm(std::move(onAlarm))
{
    keepTimeOnThisThread(); // the thread the alarm wakes
    m_planner.setFinishSleeps(clock.sleepsPrecisely());
}

void EarlyWakeAlarm::wakeAt(Duration deadline)
{
    const Duration now = m_clock.now();
    m_deadline = deadline;
    m_armed = true;
    m_learn = deadline > now; // a deadline already past says nothing about lateness
    m_sleepUntil = m_planner.earlyWake(now, deadline);
    m_margin = m_planner.margin();
    m_outOfReserve = false;
    sleepUntil(m_sleepUntil);
}

void EarlyWakeAlarm::cancel()
{
    if (!m_armed)
        return; // a stopped timer is re-armed after every tick: spare the system call
    m_armed = false;
    stopSleeping();
}

void EarlyWakeAlarm::onWake()
{
    if (!m_armed)
        return; // a cancel or a new deadline came first
    const Duration woke = m_clock.now();
    if (m_learn && woke >= m_sleepUntil)
        m_planner.learn(woke - m_sleepUntil);

    // Sleep out most of the rest on the thread itself, so that little is left
    // to spin; but a wake-up far too early goes back to the event loop.
    constexpr Duration longestFinishSleep = std::chrono::milliseconds(5);
    Duration finishFrom = woke;
    Duration finishWoke = woke;
    if (woke < m_deadline && m_deadline - woke <= longestFinishSleep) {
        finishFrom = std::max(m_planner.finishSleep(woke, m_deadline), woke);
        if (finishFrom > woke) {
            m_clock.sleepUntil(finishFrom);
            finishWoke = m_clock.now();
            if (m_learn && finishWoke >= finishFrom)
                m_planner.learnFinish(finishWoke - finishFrom);
        }
    }
    Duration now = finishWoke;
    m_learn = false;

    if (now < m_deadline) {
        if (m_deadline - now > m_planner.reserve(now)) {
            // Too far to spin: sleep on, to the moment asked for if this wake-up
            // came before it, else to the deadline itself.
            m_outOfReserve = true;
            m_sleepUntil = woke < m_sleepUntil ? m_sleepUntil : m_deadline;
            sleepUntil(m_sleepUntil);
            return;
        }
        const Duration spinFrom = now;
        while (now < m_deadline)
            now = m_clock.now();
        m_planner.spend(now - spinFrom);
    }
    m_armed = false;
    m_planner.record({m_deadline, m_margin, m_sleepUntil, woke, finishFrom, finishWoke, now, m_outOfReserve});
    m_onAlarm();
}

} // namespace platform
