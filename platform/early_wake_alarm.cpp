// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/early_wake_alarm.h"

#include "platform/clock.h"

#include <algorithm>
#include <utility>

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
    std::array<Duration, window> seen = m_recentFarLate;
    const auto end = std::remove(seen.begin(), seen.end(), Duration{0});
    if (end - seen.begin() < std::ptrdiff_t(repeatsToBelieve))
        return; // alone so far: the thread was held up, which says nothing of the system
    const auto middle = seen.begin() + (end - seen.begin() - 1) / 2;
    std::nth_element(seen.begin(), middle, end);
    m_estimate = std::max(m_estimate, *middle);
    m_recentFarLate.fill(Duration{0});
}

EarlyWakeAlarm::EarlyWakeAlarm(const Clock &clock, WakePlanner &planner, const WaitFactory &makeWait,
                               std::function<void()> onAlarm)
    : m_clock(clock)
    , m_planner(planner)
    , m_onAlarm(std::move(onAlarm))
    , m_wait(makeWait(clock, [this] { onWake(); }))
{
}

void EarlyWakeAlarm::wakeAt(Duration deadline)
{
    const Duration now = m_clock.now();
    m_deadline = deadline;
    m_armed = true;
    m_learn = deadline > now; // a deadline already past says nothing about lateness
    m_sleepUntil = m_planner.earlyWake(now, deadline);
    m_wait->wakeAt(m_sleepUntil);
}

void EarlyWakeAlarm::cancel()
{
    if (!m_armed)
        return; // a stopped timer is re-armed after every tick: spare the system call
    m_armed = false;
    m_wait->stop();
}

void EarlyWakeAlarm::onWake()
{
    if (!m_armed)
        return; // a cancel or a new deadline came first
    const Duration woke = m_clock.now();
    learnLateness(woke);
    const Duration finishWoke = sleepOutMargin(woke);
    m_learn = false;
    if (!budgetCovers(finishWoke)) {
        sleepOn(woke);
        return;
    }
    spinToDeadline(finishWoke);
    m_armed = false;
    m_onAlarm();
}

// Sleeps out most of the rest on the thread itself, so that little is left to
// spin; but a wake-up far too early goes back to the event loop.
EarlyWakeAlarm::Duration EarlyWakeAlarm::sleepOutMargin(Duration woke)
{
    if (woke >= m_deadline || m_deadline - woke > longestFinishSleep)
        return woke;
    const Duration finishFrom = std::max(m_planner.finishSleep(woke, m_deadline), woke);
    if (finishFrom == woke)
        return woke;
    m_clock.sleepUntil(finishFrom);
    const Duration finishWoke = m_clock.now();
    if (m_learn && finishWoke >= finishFrom)
        m_planner.learnFinish(finishWoke - finishFrom);
    return finishWoke;
}

// Too far to spin: sleeps on, to the moment asked for if woken before it; else to where
// the thread's own sleep can take over (a burst of late wake-ups widened the margin); else to the deadline.
void EarlyWakeAlarm::sleepOn(Duration woke)
{
    const Duration takeOver = m_planner.finishSleeps() ? m_deadline - longestFinishSleep : m_deadline;
    m_sleepUntil = woke < m_sleepUntil ? m_sleepUntil : woke < takeOver ? takeOver : m_deadline;
    m_wait->wakeAt(m_sleepUntil);
}

void EarlyWakeAlarm::spinToDeadline(Duration now)
{
    const Duration spinFrom = now;
    while (now < m_deadline)
        now = m_clock.now();
    m_planner.budget().spend(now - spinFrom);
}

AlarmFactory systemAlarms(WakePlanner &planner)
{
    return [&planner](const Clock &clock, std::function<void()> onAlarm) {
        const auto systemOrPortable = [](const Clock &c, std::function<void()> onWake) {
            auto wait = makeSystemWait(c, onWake);
            return wait ? std::move(wait) : makePortableWait(c, std::move(onWake));
        };
        return std::make_unique<EarlyWakeAlarm>(clock, planner, systemOrPortable, std::move(onAlarm));
    };
}

AlarmFactory portableAlarms(WakePlanner &planner)
{
    return [&planner](const Clock &clock, std::function<void()> onAlarm) {
        return std::make_unique<EarlyWakeAlarm>(clock, planner, makePortableWait, std::move(onAlarm));
    };
}

} // namespace platform
