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

// Sleeps on a precise QTimer. Its period is whole milliseconds and it fires
// about 0.2 ms after one has passed, so rounding down lands a wake-up within
// a millisecond around the moment asked for, rounding up within one after it:
// down keeps the learnt margin small, and the busy finish, which never lets
// the call come early, covers an early wake-up as it covers the margin.
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
        // Under a millisecond, down would be a zero timer: a spin that no reserve pays for.
        const auto ms = left < std::chrono::milliseconds(1) ? std::chrono::ceil<std::chrono::milliseconds>(left).count()
                                                            : std::chrono::floor<std::chrono::milliseconds>(left).count();
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
