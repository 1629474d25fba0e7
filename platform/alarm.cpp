// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/alarm.h"

#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#ifdef TARVELIN_HAVE_TIMERFD
#include "platform/timerfd_alarm.h"
#endif
#ifdef TARVELIN_HAVE_WAITABLE_TIMER
#include "platform/waitable_timer_alarm.h"
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
        : EarlyWakeAlarm(clock, std::move(onAlarm))
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { onTimeout(); });
    }

private:
    void sleepUntil(Duration at) override
    {
        m_target = at;
        sleepPart();
    }

    void stopSleeping() override { m_timer.stop(); }

    // The system lets a long wait run late by a share of its length (on Linux
    // 0.1%: 3.5 ms for a pause), a short one by a few µs; so a long wait ends
    // well short of the moment, and the rest is waited apart.
    void sleepPart()
    {
        constexpr Duration longWait = std::chrono::milliseconds(100);
        constexpr Duration shortWait = std::chrono::milliseconds(50);
        const Duration left = std::max(m_target - clock().now(), Duration{0});
        m_inPart = left > longWait;
        const Duration wait = m_inPart ? left - shortWait : left;
        // Under a millisecond, down would be a zero timer: a spin that no reserve pays for.
        const auto ms = wait < std::chrono::milliseconds(1) ? std::chrono::ceil<std::chrono::milliseconds>(wait).count()
                                                            : std::chrono::floor<std::chrono::milliseconds>(wait).count();
        m_timer.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
    }

    void onTimeout()
    {
        if (m_inPart)
            sleepPart();
        else
            onWake();
    }

    Duration m_target{0};
    bool m_inPart = false;
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
#ifdef TARVELIN_HAVE_WAITABLE_TIMER
    if (auto alarm = makeWaitableTimerAlarm(clock, onAlarm))
        return alarm;
#endif
    return makePortableAlarm(clock, std::move(onAlarm));
}

} // namespace platform
