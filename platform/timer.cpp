// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include "platform/clock.h"
#include "platform/tick_schedule.h"
#include "platform/window_services.h"

#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

using Duration = TickSchedule::Duration;

namespace {

TimerStyle styleForNewTimers = TimerStyle::KeepToClock;

} // namespace

void setTimerStyle(TimerStyle style)
{
    styleForNewTimers = style;
}

struct TimeSource::Impl {
    Impl(const Clock &clock, AlarmFactory makeAlarm)
        : clock(clock)
        , makeAlarm(std::move(makeAlarm))
    {
    }

    void deliverDue();
    void armAll();
    [[nodiscard]] Timer::Impl *earliestDue(Duration now) const;

    const Clock &clock;
    AlarmFactory makeAlarm;
    std::vector<Timer::Impl *> timers; // those that keep to the clock
    std::optional<Duration> tickInProgress;
    bool delivering = false;
};

struct Timer::Impl {
    Impl(std::function<void()> handler, TimeSource::Impl &source)
        : onTimeout(std::move(handler))
        , source(source)
        , style(styleForNewTimers)
    {
        if (style == TimerStyle::QtPlain) {
            plain = std::make_unique<QTimer>();
            QObject::connect(plain.get(), &QTimer::timeout, plain.get(), [this] { handle(); });
            return;
        }
        alarm = source.makeAlarm([this] { this->source.deliverDue(); });
        source.timers.push_back(this);
    }

    ~Impl()
    {
        auto &timers = source.timers;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }

    Impl(const Impl &) = delete;
    Impl &operator=(const Impl &) = delete;

    void handle() const
    {
        if (!isProgramEnding() && onTimeout)
            onTimeout();
    }

    // Sleeps until the tick it has to wake for; the flush that is running, if
    // any, does this for every timer once it is done.
    void arm()
    {
        if (source.delivering)
            return;
        if (!schedule.isRunning()) {
            alarm->cancel();
            return;
        }
        schedule.awaitTick(lookahead ? lookahead() : 1);
        alarm->wakeAt(schedule.awaited());
    }

    void start()
    {
        if (plain) {
            plain->start(intervalMs);
            return;
        }
        schedule.start(source.tickInProgress.value_or(source.clock.now()));
        arm();
    }

    void stop()
    {
        if (plain) {
            plain->stop();
            return;
        }
        schedule.stop();
        arm();
    }

    [[nodiscard]] bool isRunning() const { return plain ? plain->isActive() : schedule.isRunning(); }

    std::function<void()> onTimeout;
    std::function<std::int64_t()> lookahead;
    TimeSource::Impl &source;
    const TimerStyle style;
    std::int32_t intervalMs = 0;
    TickSchedule schedule{Duration{0}};
    std::unique_ptr<Alarm> alarm;
    std::unique_ptr<QTimer> plain;
};

Timer::Impl *TimeSource::Impl::earliestDue(Duration now) const
{
    Timer::Impl *earliest = nullptr;
    for (Timer::Impl *timer : timers) {
        const TickSchedule &s = timer->schedule;
        if (s.isRunning() && s.nextDue() <= now && (!earliest || s.nextDue() < earliest->schedule.nextDue()))
            earliest = timer;
    }
    return earliest;
}

void TimeSource::Impl::deliverDue()
{
    if (delivering)
        return; // a nested event loop inside a tick; the outer flush goes on
    delivering = true;
    const Duration now = clock.now();
    for (Timer::Impl *timer : timers)
        timer->schedule.resumeIfLate(now);
    // One tick at a time, oldest first, looking afresh each time: a tick may
    // start, stop or restart any timer, this one included.
    while (Timer::Impl *timer = earliestDue(now)) {
        const auto outer = std::exchange(tickInProgress, timer->schedule.takeNext());
        timer->handle();
        tickInProgress = outer;
    }
    delivering = false;
    armAll();
}

void TimeSource::Impl::armAll()
{
    for (Timer::Impl *timer : timers)
        timer->arm();
}

TimeSource::TimeSource(const Clock &clock, AlarmFactory makeAlarm)
    : m_impl(std::make_unique<Impl>(clock, std::move(makeAlarm)))
{
}

TimeSource::~TimeSource() = default;

const Clock &TimeSource::clock() const
{
    return m_impl->clock;
}

void TimeSource::catchUp()
{
    m_impl->deliverDue();
}

void TimeSource::runBetweenTicks(const std::function<void()> &event)
{
    m_impl->deliverDue();
    event();
    m_impl->armAll();
}

TimeSource &systemTimeSource()
{
    static TimeSource source(systemClock(), makeSystemAlarm);
    return source;
}

Timer::Timer(std::function<void()> onTimeout, TimeSource &time)
    : m_impl(std::make_unique<Impl>(std::move(onTimeout), *time.m_impl))
{
}

Timer::~Timer() = default;

void Timer::setInterval(std::int32_t milliseconds)
{
    m_impl->intervalMs = std::max(milliseconds, std::int32_t{0});
    m_impl->schedule.setPeriod(std::chrono::milliseconds(m_impl->intervalMs));
    if (m_impl->isRunning())
        m_impl->start();
    else if (m_impl->plain)
        m_impl->plain->setInterval(m_impl->intervalMs);
}

std::int32_t Timer::interval() const
{
    return m_impl->intervalMs;
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_impl->isRunning())
        return;
    if (enabled)
        m_impl->start();
    else
        m_impl->stop();
}

bool Timer::isEnabled() const
{
    return m_impl->isRunning();
}

void Timer::setLookahead(std::function<std::int64_t()> ticksUntilEffect)
{
    m_impl->lookahead = std::move(ticksUntilEffect);
    if (m_impl->isRunning() && !m_impl->plain)
        m_impl->arm();
}

} // namespace platform
