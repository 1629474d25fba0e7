// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/alarm.h"

#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/wake_planner.h"
#ifdef TARVELIN_HAVE_TIMERFD
#include "platform/timerfd_alarm.h"
#endif

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace platform {

namespace {

// Sleeps on a precise QTimer, rounded up to whole milliseconds so it never
// wakes before the moment asked for; the rounding is part of the lateness the
// planner learns, so the busy finish still lands on the deadline.
class PortableAlarm final : public EarlyWakeAlarm {
public:
    PortableAlarm(const Clock &clock, std::function<void()> onAlarm)
        : EarlyWakeAlarm(clock, eventLoopWakePlanner(), std::move(onAlarm))
        , m_clock(clock)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { onWake(); });
    }

private:
    void sleepUntil(Duration at) override
    {
        const Duration left = std::max(at - m_clock.now(), Duration{0});
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        m_timer.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
    }

    void stopSleeping() override { m_timer.stop(); }

    const Clock &m_clock;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<Alarm> makePortableAlarm(const Clock &clock, std::function<void()> onAlarm)
{
    return std::make_unique<PortableAlarm>(clock, std::move(onAlarm));
}

std::unique_ptr<Alarm> makeSystemAlarm(const Clock &clock, std::function<void()> onAlarm)
{
#ifdef TARVELIN_HAVE_TIMERFD
    if (auto alarm = makeTimerFdAlarm(clock, onAlarm))
        return alarm;
#endif
    return makePortableAlarm(clock, std::move(onAlarm));
}

} // namespace platform
