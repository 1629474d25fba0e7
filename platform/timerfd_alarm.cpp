// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/timerfd_alarm.h"

#include "platform/early_wake_alarm.h"

#include <QObject>
#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace platform {

namespace {

// CLOCK_MONOTONIC is the steady clock's, so its deadlines are the clock's own.
class TimerFdAlarm final : public EarlyWakeAlarm {
public:
    TimerFdAlarm(int fd, const Clock &clock, std::function<void()> onAlarm)
        : EarlyWakeAlarm(clock, std::move(onAlarm))
        , m_fd(fd)
        , m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
    {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
            std::uint64_t expirations = 0;
            if (::read(m_fd, &expirations, sizeof expirations) == sizeof expirations)
                onWake();
        });
    }

    ~TimerFdAlarm() override
    {
        m_notifier.reset(); // before the descriptor it watches goes
        ::close(m_fd);
    }

    TimerFdAlarm(const TimerFdAlarm &) = delete;
    TimerFdAlarm &operator=(const TimerFdAlarm &) = delete;

private:
    void sleepUntil(Duration at) override
    {
        const Duration when = std::max(at, Duration{1}); // zero would disarm it
        itimerspec expiry{};
        const auto seconds = std::chrono::floor<std::chrono::seconds>(when);
        expiry.it_value.tv_sec = static_cast<time_t>(seconds.count());
        expiry.it_value.tv_nsec = static_cast<long>((when - seconds).count());
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &expiry, nullptr);
    }

    void stopSleeping() override
    {
        itimerspec off{};
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &off, nullptr);
    }

    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<Alarm> makeTimerFdAlarm(const Clock &clock, std::function<void()> onAlarm)
{
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<TimerFdAlarm>(fd, clock, std::move(onAlarm));
}

} // namespace platform
