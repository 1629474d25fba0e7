// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"
#include "platform/system_time.h"

#include <functional>
#include <memory>

namespace platform {

class Clock;
class WakePlanner;

// An alarm that is never late by more than the system makes it: it sleeps on
// a system wait until a learnt margin before its deadline, then waits out the
// rest on the thread, as its planner decides: a short sleep of the thread's
// own, then a busy loop on the planner's budget; or, when the budget does not
// cover what is left, it sleeps on to the deadline itself.
class EarlyWakeAlarm final : public Alarm {
public:
    EarlyWakeAlarm(const Clock &clock, WakePlanner &planner, const WaitFactory &makeWait,
                   std::function<void()> onAlarm);

    void wakeAt(Duration deadline) override;
    void cancel() override;

private:
    void onWake();
    void learnLateness(Duration woke);
    // Returns when the thread woke from its own sleep; `woke` if it did not sleep.
    [[nodiscard]] Duration sleepOutMargin(Duration woke);
    [[nodiscard]] bool budgetCovers(Duration now);
    void sleepOn(Duration woke);
    void spinToDeadline(Duration now);

    const Clock &m_clock;
    WakePlanner &m_planner;
    std::function<void()> m_onAlarm;
    std::unique_ptr<SystemWait> m_wait;
    Duration m_deadline{0};
    Duration m_sleepUntil{0};
    bool m_armed = false;
    bool m_learn = false;
};

// Makers for a time source, every alarm sharing `planner`: early wake on
// this system's own wait (on the portable one where it has none), or on the
// portable wait, a precise QTimer.
[[nodiscard]] AlarmFactory systemAlarms(WakePlanner &planner);
[[nodiscard]] AlarmFactory portableAlarms(WakePlanner &planner);

} // namespace platform
