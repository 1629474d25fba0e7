// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/wake_log.h"

#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/system_time.h"

#include <memory>
#include <utility>

namespace bench {

// The program's early-wake alarm, handed a wait and a clock that tell this of
// what it asks of them, and a callback that tells when it fires.
class WatchedAlarm final : public platform::Alarm, private platform::Clock {
public:
    WatchedAlarm(WakeLog &log, const platform::Clock &clock, bool system, std::function<void()> onAlarm)
        : m_log(log)
        , m_clock(clock)
        , m_onAlarm(std::move(onAlarm))
        , m_alarm(*this, log.m_planner, [this, system](const platform::Clock &c, std::function<void()> onWake) {
            const std::function<void()> woken = [this, onWake = std::move(onWake)] {
                m_wake.woke = m_wake.finishFrom = m_wake.finishWoke = m_clock.now();
                m_woken = true;
                onWake();
            };
            auto wait = system ? platform::makeSystemWait(c, woken) : nullptr;
            return std::make_unique<Wait>(*this, wait ? std::move(wait) : platform::makePortableWait(c, woken));
        }, [this] { fire(); })
    {
    }

    void wakeAt(Duration deadline) override
    {
        m_wake = {};
        m_wake.deadline = deadline;
        m_woken = false;
        m_alarm.wakeAt(deadline);
        m_wake.margin = m_log.m_planner.margin();
    }
    void cancel() override { m_alarm.cancel(); }

private:
    class Wait final : public platform::SystemWait {
    public:
        Wait(WatchedAlarm &alarm, std::unique_ptr<platform::SystemWait> inner)
            : m_alarm(alarm)
            , m_inner(std::move(inner))
        {
        }
        void wakeAt(Duration at) override
        {
            m_alarm.m_wake.outOfReserve |= m_alarm.m_woken && at >= m_alarm.m_wake.deadline; // sleeps on to the deadline
            m_alarm.m_wake.askedFor = at;
            m_inner->wakeAt(at);
        }
        void stop() override { m_inner->stop(); }

    private:
        WatchedAlarm &m_alarm;
        std::unique_ptr<platform::SystemWait> m_inner;
    };

    [[nodiscard]] Duration now() const override { return m_clock.now(); }
    void sleepUntil(Duration at) const override
    {
        m_wake.finishFrom = at;
        m_clock.sleepUntil(at);
        m_wake.finishWoke = m_clock.now();
    }

    void fire()
    {
        m_wake.fired = m_clock.now();
        if (m_log.m_readThreadCpu)
            m_wake.threadCpu = threadCpuNow();
        m_log.wakes.push_back(m_wake);
        m_onAlarm();
    }

    WakeLog &m_log;
    const platform::Clock &m_clock;
    std::function<void()> m_onAlarm;
    mutable AlarmWake m_wake;
    bool m_woken = false;
    platform::EarlyWakeAlarm m_alarm; // last: it is handed the parts above
};

WakeLog::WakeLog(platform::WakePlanner &planner, bool readThreadCpu)
    : m_planner(planner)
    , m_readThreadCpu(readThreadCpu)
{
    wakes.reserve(1 << 16);
}

platform::AlarmFactory WakeLog::alarms(bool system)
{
    return [this, system](const platform::Clock &clock, std::function<void()> onAlarm) {
        return std::make_unique<WatchedAlarm>(*this, clock, system, std::move(onAlarm));
    };
}

} // namespace bench
