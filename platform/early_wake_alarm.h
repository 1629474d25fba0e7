// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <functional>

namespace platform {

class Clock;
class WakePlanner;

// What both kinds of system alarm do around their sleep: wake a learnt margin
// early, then finish in a busy loop on the reserve of the event loop's planner,
// or sleep again until the deadline itself when the reserve does not cover the
// rest. A kind supplies only the sleep.
class EarlyWakeAlarm : public Alarm {
public:
    EarlyWakeAlarm(const Clock &clock, std::function<void()> onAlarm);

    void wakeAt(Duration deadline) final;
    void cancel() final;

protected:
    [[nodiscard]] const Clock &clock() const { return m_clock; }
    // Sleeps until `at` on the clock, or shortly after, then calls onWake().
    virtual void sleepUntil(Duration at) = 0;
    virtual void stopSleeping() = 0;
    void onWake();

private:
    const Clock &m_clock;
    WakePlanner &m_planner;
    std::function<void()> m_onAlarm;
    Duration m_deadline{0};
    Duration m_sleepUntil{0};
    Duration m_margin{0};
    bool m_outOfReserve = false;
    bool m_armed = false;
    bool m_learn = false;
};

} // namespace platform
