// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/early_wake_alarm.h"

#include "platform/clock.h"

#include <algorithm>
#include <iterator>
#include <utility>
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

void EarlyWakeAlarm::learnLateness(Duration woke)
{
    if (m_learn && woke >= m_sleepUntil)
        m_planner.learn(woke - m_sleepUntil);
}

// Sleeps out most of the rest on the thread itself, so that little is left to
// spin; but a wake-up far too early goes back to the event loop.
EarlyWakeAlarm::Duration EarlyWakeAlarm::sleepOutMargin(Duration woke)
{
    constexpr Duration longestFinishSleep = std::chrono::milliseconds(5);
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

bool EarlyWakeAlarm::budgetCovers(Duration now)
{
    return now >= m_deadline || m_deadline - now <= m_planner.budget().available(now);
}

// Too far to spin: sleeps on, to the moment asked for if this wake-up came
// before it, else to the deadline itself.
void EarlyWakeAlarm::sleepOn(Duration woke)
{
    m_sleepUntil = woke < m_sleepUntil ? m_sleepUntil : m_deadline;
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
