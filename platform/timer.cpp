// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include "platform/clock.h"
#include "platform/program_end.h"
#include "platform/tick_schedule.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

using Duration = TickSchedule::Duration;

namespace {

class ClockTimer;

} // namespace

struct ClockTimeSource::Impl {
    Impl(const Clock &clock, AlarmFactory makeAlarm)
        : clock(clock)
        , makeAlarm(std::move(makeAlarm))
    {
    }

    void deliverDue();
    void armAll();
    [[nodiscard]] ClockTimer *earliestDue(Duration now) const;

    const Clock &clock;
    AlarmFactory makeAlarm;
    std::vector<ClockTimer *> timers;
    std::optional<Duration> tickInProgress;
    bool delivering = false;
};

namespace {

class ClockTimer final : public TimerBackend {
public:
    ClockTimer(std::function<void()> onTick, ClockTimeSource::Impl &source)
        : m_onTick(std::move(onTick))
        , m_source(source)
        , m_alarm(source.makeAlarm(source.clock, [this] { m_source.deliverDue(); }))
    {
        source.timers.push_back(this);
    }

    ~ClockTimer() override { std::erase(m_source.timers, this); }

    ClockTimer(const ClockTimer &) = delete;
    ClockTimer &operator=(const ClockTimer &) = delete;

    void setInterval(std::int32_t milliseconds) override
    {
        schedule.setPeriod(std::chrono::milliseconds(milliseconds));
        if (schedule.isRunning())
            start();
    }

    void setEnabled(bool enabled) override
    {
        if (enabled == schedule.isRunning())
            return;
        if (enabled) {
            start();
        } else {
            schedule.stop();
            arm();
        }
    }

    [[nodiscard]] bool isEnabled() const override { return schedule.isRunning(); }

    void setLookahead(std::function<std::int64_t()> ticksUntilEffect) override
    {
        m_lookahead = std::move(ticksUntilEffect);
        if (schedule.isRunning())
            arm();
    }

    // Sleeps until the tick it has to wake for; the flush that is running, if
    // any, does this for every timer once it is done.
    void arm()
    {
        if (m_source.delivering)
            return;
        if (!schedule.isRunning()) {
            m_alarm->cancel();
            return;
        }
        schedule.awaitTick(m_lookahead ? m_lookahead() : 1);
        m_alarm->wakeAt(schedule.awaited());
    }

    void tick() const { m_onTick(); }

    TickSchedule schedule{Duration{0}};

private:
    void start()
    {
        schedule.start(m_source.tickInProgress.value_or(m_source.clock.now()));
        arm();
    }

    std::function<void()> m_onTick;
    std::function<std::int64_t()> m_lookahead;
    ClockTimeSource::Impl &m_source;
    std::unique_ptr<Alarm> m_alarm;
};

} // namespace

ClockTimer *ClockTimeSource::Impl::earliestDue(Duration now) const
{
    ClockTimer *earliest = nullptr;
    for (ClockTimer *timer : timers) {
        const TickSchedule &s = timer->schedule;
        if (s.isRunning() && s.nextDue() <= now && (!earliest || s.nextDue() < earliest->schedule.nextDue()))
            earliest = timer;
    }
    return earliest;
}

void ClockTimeSource::Impl::deliverDue()
{
    if (delivering)
        return; // a nested event loop inside a tick; the outer flush goes on
    delivering = true;
    const Duration now = clock.now();
    for (ClockTimer *timer : timers)
        timer->schedule.resumeIfLate(now);
    // One tick at a time, oldest first, looking afresh each time: a tick may
    // start, stop or restart any timer, this one included.
    while (ClockTimer *timer = earliestDue(now)) {
        const auto outer = std::exchange(tickInProgress, timer->schedule.takeNext());
        timer->tick();
        tickInProgress = outer;
    }
    delivering = false;
    armAll();
}

void ClockTimeSource::Impl::armAll()
{
    for (ClockTimer *timer : timers)
        timer->arm();
}

ClockTimeSource::ClockTimeSource(const Clock &clock, AlarmFactory makeAlarm)
    : m_impl(std::make_unique<Impl>(clock, std::move(makeAlarm)))
{
}

ClockTimeSource::~ClockTimeSource() = default;

void ClockTimeSource::catchUp()
{
    m_impl->deliverDue();
}

std::unique_ptr<TimerBackend> ClockTimeSource::makeTimer(std::function<void()> onTick)
{
    return std::make_unique<ClockTimer>(std::move(onTick), *m_impl);
}

void ClockTimeSource::runBetweenTicks(const std::function<void()> &event)
{
    m_impl->deliverDue();
    event();
    m_impl->armAll();
}

Timer::Timer(std::function<void()> onTimeout, TimeSource &time)
    : m_backend(time.makeTimer([onTimeout = std::move(onTimeout)] {
        if (!isProgramEnding() && onTimeout)
            onTimeout();
    }))
{
}

void Timer::setInterval(std::int32_t milliseconds)
{
    m_backend->setInterval(std::max(milliseconds, std::int32_t{0}));
}

} // namespace platform
