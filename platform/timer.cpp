#include "platform/timer.h"

#include "platform/clock.h"
#include "platform/tick_schedule.h"
#include "platform/window_services.h"

#include <QTimer>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace platform {

using Duration = TickSchedule::Duration;

namespace {

TimerStyle styleForNewTimers = TimerStyle::KeepToClock;

// Qt sleeps in whole milliseconds. Sleeping to the nearest one and taking a tick
// that is due within half of one keeps every tick within half a millisecond of
// its time, either way, instead of up to a whole one late.
constexpr Duration earlyAllowance = std::chrono::microseconds(500);

// The event loop wakes a little late, by much the same amount each time; the
// timer learns how much and sleeps that much less. Wake-ups later than this
// (a stalled thread) say nothing about the loop and are left out.
constexpr Duration latenessCeiling = std::chrono::milliseconds(3);

// The nominal time of the tick being handled, if any.
std::optional<Duration> tickInProgress;

} // namespace

void setTimerStyle(TimerStyle style)
{
    styleForNewTimers = style;
}

struct Timer::Impl {
    Impl(std::function<void()> handler, const Clock &clock)
        : onTimeout(std::move(handler))
        , clock(clock)
        , style(styleForNewTimers)
    {
        wake.setTimerType(style == TimerStyle::KeepToClock ? Qt::PreciseTimer : Qt::CoarseTimer);
        wake.setSingleShot(style == TimerStyle::KeepToClock);
        QObject::connect(&wake, &QTimer::timeout, &wake, [this] { onWake(); });
    }

    void onWake()
    {
        if (style == TimerStyle::QtPlain) {
            handle(clock.now());
            return;
        }
        const Duration now = clock.now();
        const Duration lateness = now - requestedWake;
        if (lateness >= Duration{0} && lateness <= latenessCeiling)
            expectedLateness += (lateness - expectedLateness) / 8;
        schedule.deliver(now + earlyAllowance + expectedLateness, [this](Duration due) { handle(due); });
        arm();
    }

    void handle(Duration due)
    {
        if (isProgramEnding() || !onTimeout)
            return;
        const auto outer = std::exchange(tickInProgress, due);
        onTimeout();
        tickInProgress = outer;
    }

    void arm()
    {
        if (!schedule.isRunning()) {
            wake.stop();
            return;
        }
        Duration target = schedule.nextDue();
        if (lookahead) {
            const std::int64_t quiet = std::clamp<std::int64_t>(lookahead(), 1, schedule.maxBurst()) - 1;
            target += schedule.period() * quiet;
        }
        const Duration now = clock.now();
        const auto ms = std::chrono::round<std::chrono::milliseconds>(
            std::max(target - expectedLateness - now, Duration{0}));
        requestedWake = now + ms;
        wake.start(static_cast<int>(std::min<std::int64_t>(ms.count(), std::numeric_limits<int>::max())));
    }

    void start()
    {
        if (style == TimerStyle::QtPlain) {
            wake.start(intervalMs);
            return;
        }
        schedule.start(tickInProgress.value_or(clock.now()));
        arm();
    }

    [[nodiscard]] bool isRunning() const
    {
        return style == TimerStyle::QtPlain ? wake.isActive() : schedule.isRunning();
    }

    std::function<void()> onTimeout;
    std::function<std::int64_t()> lookahead;
    const Clock &clock;
    const TimerStyle style;
    std::int32_t intervalMs = 0;
    TickSchedule schedule{Duration{0}};
    Duration requestedWake{0};
    Duration expectedLateness{0};
    QTimer wake;
};

Timer::Timer(std::function<void()> onTimeout)
    : Timer(std::move(onTimeout), systemClock())
{
}

Timer::Timer(std::function<void()> onTimeout, const Clock &clock)
    : m_impl(std::make_unique<Impl>(std::move(onTimeout), clock))
{
}

Timer::~Timer() = default;

void Timer::setInterval(std::int32_t milliseconds)
{
    m_impl->intervalMs = std::max(milliseconds, std::int32_t{0});
    m_impl->schedule.setPeriod(std::chrono::milliseconds(m_impl->intervalMs));
    if (m_impl->isRunning())
        m_impl->start();
    else if (m_impl->style == TimerStyle::QtPlain)
        m_impl->wake.setInterval(m_impl->intervalMs);
}

std::int32_t Timer::interval() const
{
    return m_impl->intervalMs;
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_impl->isRunning())
        return;
    if (enabled) {
        m_impl->start();
    } else {
        m_impl->schedule.stop();
        m_impl->wake.stop();
    }
}

bool Timer::isEnabled() const
{
    return m_impl->isRunning();
}

void Timer::setLookahead(std::function<std::int64_t()> ticksUntilEffect)
{
    m_impl->lookahead = std::move(ticksUntilEffect);
    refreshLookahead();
}

void Timer::refreshLookahead()
{
    if (m_impl->style == TimerStyle::KeepToClock && m_impl->isRunning())
        m_impl->arm();
}

} // namespace platform
