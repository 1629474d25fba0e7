// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timer.h"

#include "platform/clock.h"
#include "platform/program_end.h"

#include <optional>
#include <vector>

namespace platform {

using Duration = TickSchedule::Duration;

namespace {
struct ClockTimer;
} // namespace

// Every timer of a source sleeps on its one alarm, which wakes for the
// earliest tick any of them awaits.
struct ClockTimeSource::Impl {
    Impl(const Clock &clock, const AlarmFactory &makeAlarm)
        : clock(clock)
        , alarm(makeAlarm(clock, [this] { deliverDue(); }))
    {
    }

    void deliverDue();
    void arm();

    const Clock &clock;
    std::unique_ptr<Alarm> alarm;
    std::vector<ClockTimer *> timers;
    std::optional<Duration> tickInProgress;
    bool delivering = false;
};

namespace {

struct ClockTimer final : TimerBackend {
    ClockTimer(std::function<void()> onTick, ClockTimeSource::Impl &source)
        : onTick(std::move(onTick))
        , source(source)
    {
        source.timers.push_back(this);
    }
    ClockTimer(const ClockTimer &) = delete; // it is known to its source by address
    ~ClockTimer() override
    {
        std::erase(source.timers, this);
        source.arm();
    }

    void setInterval(std::int32_t milliseconds) override
    {
        schedule.setPeriod(std::chrono::milliseconds(milliseconds));
        if (schedule.isRunning())
            start();
    }
    void setEnabled(bool enabled) override
    {
        if (enabled && !schedule.isRunning()) {
            start();
        } else if (!enabled && schedule.isRunning()) {
            schedule.stop();
            source.arm();
        }
    }
    void setLookahead(std::function<std::int64_t()> ticksUntilEffect) override
    {
        lookahead = std::move(ticksUntilEffect);
        source.arm();
    }

    void start()
    {
        schedule.start(source.tickInProgress.value_or(source.clock.now()));
        source.arm();
    }
    [[nodiscard]] bool isDue(Duration now) const { return schedule.isRunning() && schedule.nextDue() <= now; }

    std::function<void()> onTick;
    std::function<std::int64_t()> lookahead;
    ClockTimeSource::Impl &source;
    TickSchedule schedule{Duration{0}};
};

} // namespace

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
    for (;;) {
        ClockTimer *earliest = nullptr;
        for (ClockTimer *timer : timers) {
            if (timer->isDue(now) && (!earliest || timer->schedule.nextDue() < earliest->schedule.nextDue()))
                earliest = timer;
        }
        if (!earliest)
            break;
        const auto outer = std::exchange(tickInProgress, earliest->schedule.takeNext());
        earliest->onTick();
        tickInProgress = outer;
    }
    delivering = false;
    arm();
}

// Sleeps until the tick that some timer has to wake for; a flush that is
// running does this once it is done.
void ClockTimeSource::Impl::arm()
{
    if (delivering)
        return;
    std::optional<Duration> earliest;
    for (ClockTimer *timer : timers) {
        if (!timer->schedule.isRunning())
            continue;
        timer->schedule.awaitTick(timer->lookahead ? timer->lookahead() : 1);
        earliest = std::min(earliest.value_or(Duration::max()), timer->schedule.awaited());
    }
    if (earliest)
        alarm->wakeAt(*earliest);
    else
        alarm->cancel();
}

ClockTimeSource::ClockTimeSource(const Clock &clock, AlarmFactory makeAlarm)
    : m_impl(std::make_unique<Impl>(clock, makeAlarm))
{
}

ClockTimeSource::~ClockTimeSource() = default;

std::unique_ptr<TimerBackend> ClockTimeSource::makeTimer(std::function<void()> onTick)
{
    return std::make_unique<ClockTimer>(std::move(onTick), *m_impl);
}

void ClockTimeSource::runBetweenTicks(const std::function<void()> &event)
{
    m_impl->deliverDue();
    event();
    m_impl->arm();
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
