// SPDX-License-Identifier: GPL-3.0-or-later
// What every desktop shares in keeping time: the steady clock, a sleep on a
// Qt wait condition and a wait on a precise QTimer.
#include "platform/clock.h"
#include "platform/system_time.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QObject>
#include <QTimer>
#include <QWaitCondition>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace platform {

using Duration = std::chrono::nanoseconds;

namespace {

// A precise QTimer fires about 0.2 ms after its whole milliseconds, so rounding
// down lands a wake-up within a millisecond around its moment: the alarm's
// finish covers an early one as it covers the margin, which stays small.
class QtTimerWait final : public SystemWait {
public:
    QtTimerWait(const Clock &clock, std::function<void()> onWake)
        : m_clock(clock)
        , m_onWake(std::move(onWake))
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { m_inPart ? sleepPart() : m_onWake(); });
    }

    void wakeAt(Duration at) override
    {
        m_target = at;
        sleepPart();
    }
    void stop() override { m_timer.stop(); }

private:
    // The system lets a long wait run late by a share of its length (Linux:
    // 0.1 %, 3.5 ms for a pause), so a long wait ends 50 ms short and the rest
    // is waited apart.
    void sleepPart()
    {
        const Duration left = std::max(m_target - m_clock.now(), Duration{0});
        m_inPart = left > std::chrono::milliseconds(100);
        const Duration wait = m_inPart ? left - std::chrono::milliseconds(50) : left;
        // Under a millisecond, down would be a zero timer: a spin that no budget pays for.
        const auto ms = wait < std::chrono::milliseconds(1) ? std::chrono::ceil<std::chrono::milliseconds>(wait).count()
                                                            : std::chrono::floor<std::chrono::milliseconds>(wait).count();
        m_timer.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
    }

    const Clock &m_clock;
    std::function<void()> m_onWake;
    Duration m_target{0};
    bool m_inPart = false;
    QTimer m_timer;
};

} // namespace

Duration SteadyClock::now() const
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

Clock &systemClock()
{
    static SteadyClock clock;
    return clock;
}

void sleepOnQt(Duration at)
{
    thread_local QMutex mutex;
    thread_local QWaitCondition nobodyWakesIt;
    const std::chrono::steady_clock::time_point until{std::chrono::duration_cast<std::chrono::steady_clock::duration>(at)};
    QMutexLocker lock(&mutex);
    nobodyWakesIt.wait(&mutex, QDeadlineTimer(until, Qt::PreciseTimer));
}

bool sleepsPrecisely(const Clock &clock)
{
    // Most of five sleeps of 0.2 ms end within 0.5 ms: one delayed start-up does not decide.
    int good = 0;
    for (int i = 0; i < 5 && good < 3 && i - good < 3; ++i) {
        const Duration at = clock.now() + std::chrono::microseconds(200);
        clock.sleepUntil(at);
        const Duration late = clock.now() - at;
        good += late >= Duration{0} && late <= std::chrono::microseconds(500) ? 1 : 0;
    }
    return good >= 3;
}

std::unique_ptr<SystemWait> makePortableWait(const Clock &clock, std::function<void()> onWake)
{
    return std::make_unique<QtTimerWait>(clock, std::move(onWake));
}

} // namespace platform
