// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/alarm.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

using Duration = Alarm::Duration;

Duration steadyNow()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

// How much earlier than its deadline an alarm asks to be woken, so that the
// busy loop, not the event loop's lateness, decides the moment: an estimate of
// the 99.5th percentile of the latenesses seen, which a rare outlier moves little.
class WakeMargin {
public:
    void learn(Duration lateness)
    {
        // Later than this, the thread was held up; that says nothing about the loop.
        constexpr Duration ceiling = std::chrono::milliseconds(3);
        constexpr Duration stride = std::chrono::microseconds(50);
        if (lateness < Duration{0} || lateness > ceiling)
            return;
        if (lateness > m_estimate)
            m_estimate += stride * 995 / 1000;
        else
            m_estimate = std::max(m_estimate - stride * 5 / 1000, Duration{0});
    }

    // The busy loop may take at most 1% of the time slept, so it never costs
    // more than 1% of a core, whatever the pace.
    [[nodiscard]] Duration forSleep(Duration sleep) const
    {
        constexpr Duration slack = std::chrono::microseconds(50);
        return std::clamp(m_estimate + slack, Duration{0}, std::max(sleep / 100, Duration{0}));
    }

private:
    Duration m_estimate = std::chrono::microseconds(500);
};

WakeMargin &wakeMargin()
{
    static WakeMargin margin; // one event loop, so one lateness for every alarm
    return margin;
}

// Waits out the last stretch before the deadline by reading the clock. Returns
// false if that would take longer than `limit`; the caller then sleeps again.
bool spinUntil(Duration deadline, Duration limit)
{
    const Duration start = steadyNow();
    for (Duration now = start; now < deadline; now = steadyNow()) {
        if (now - start > limit)
            return false;
    }
    return true;
}

// Portable: a precise QTimer, rounded up to whole milliseconds so it is never early.
class QtTimerAlarm final : public Alarm {
public:
    explicit QtTimerAlarm(std::function<void()> onAlarm)
        : m_onAlarm(std::move(onAlarm))
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { onTimeout(); });
    }

    void wakeAt(Duration deadline) override
    {
        m_deadline = deadline;
        schedule();
    }

    void cancel() override { m_timer.stop(); }

private:
    void schedule()
    {
        const Duration left = std::max(m_deadline - steadyNow(), Duration{0});
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        m_timer.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
    }

    void onTimeout()
    {
        if (steadyNow() < m_deadline) {
            schedule(); // a very long sleep comes in parts
            return;
        }
        m_onAlarm();
    }

    std::function<void()> m_onAlarm;
    Duration m_deadline{0};
    QTimer m_timer;
};

#ifdef __linux__

// A timerfd on an absolute CLOCK_MONOTONIC deadline (the steady clock's), which
// the kernel never fires early, set a learnt margin before the deadline; the
// busy loop then lands on it.
class TimerFdAlarm final : public Alarm {
public:
    TimerFdAlarm(int fd, std::function<void()> onAlarm)
        : m_fd(fd)
        , m_onAlarm(std::move(onAlarm))
        , m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
    {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { onReadable(); });
    }

    ~TimerFdAlarm() override
    {
        m_notifier.reset(); // before the descriptor it watches goes
        ::close(m_fd);
    }

    TimerFdAlarm(const TimerFdAlarm &) = delete;
    TimerFdAlarm &operator=(const TimerFdAlarm &) = delete;

    void wakeAt(Duration deadline) override
    {
        m_deadline = deadline;
        m_armed = true;
        const Duration now = steadyNow();
        const Duration sleep = deadline - now;
        m_learn = sleep > Duration{0};
        arm(deadline - wakeMargin().forSleep(sleep));
    }

    void cancel() override
    {
        m_armed = false;
        itimerspec off{};
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &off, nullptr);
    }

private:
    void arm(Duration at)
    {
        m_fdDeadline = std::max(at, Duration{1}); // zero would disarm it
        itimerspec when{};
        const auto seconds = std::chrono::floor<std::chrono::seconds>(m_fdDeadline);
        when.it_value.tv_sec = static_cast<time_t>(seconds.count());
        when.it_value.tv_nsec = static_cast<long>((m_fdDeadline - seconds).count());
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr);
    }

    void onReadable()
    {
        std::uint64_t expirations = 0;
        if (::read(m_fd, &expirations, sizeof expirations) != sizeof expirations || !m_armed)
            return; // a cancel or a new deadline came first
        const Duration now = steadyNow();
        if (m_learn)
            wakeMargin().learn(now - m_fdDeadline);
        m_learn = false;
        if (!spinUntil(m_deadline, m_deadline - m_fdDeadline)) {
            arm(m_deadline);
            return;
        }
        m_armed = false;
        m_onAlarm();
    }

    int m_fd;
    std::function<void()> m_onAlarm;
    std::unique_ptr<QSocketNotifier> m_notifier;
    Duration m_deadline{0};
    Duration m_fdDeadline{0};
    bool m_armed = false;
    bool m_learn = false;
};

#endif

} // namespace

std::unique_ptr<Alarm> makeSystemAlarm(std::function<void()> onAlarm)
{
#ifdef __linux__
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd >= 0)
        return std::make_unique<TimerFdAlarm>(fd, std::move(onAlarm));
#endif
    return std::make_unique<QtTimerAlarm>(std::move(onAlarm));
}

} // namespace platform
