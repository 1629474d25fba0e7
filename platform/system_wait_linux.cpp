// SPDX-License-Identifier: GPL-3.0-or-later
// How the program wakes on Linux: a timerfd with an absolute CLOCK_MONOTONIC
// deadline, which the kernel never fires early, watched by the event loop.
#include "platform/system_wait.h"

#include <QObject>
#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace platform {

namespace {

// CLOCK_MONOTONIC is the steady clock's, so its moments are the clock's own.
class TimerFdWait final : public SystemWait {
public:
    TimerFdWait(int fd, std::function<void()> onWake)
        : m_fd(fd)
        , m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
    {
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this, onWake = std::move(onWake)] {
                             std::uint64_t expirations = 0;
                             if (::read(m_fd, &expirations, sizeof expirations) == sizeof expirations)
                                 onWake();
                         });
    }

    ~TimerFdWait() override
    {
        m_notifier.reset(); // before the descriptor it watches goes
        ::close(m_fd);
    }

    TimerFdWait(const TimerFdWait &) = delete;
    TimerFdWait &operator=(const TimerFdWait &) = delete;

    void wakeAt(Duration at) override
    {
        const Duration when = std::max(at, Duration{1}); // zero would disarm it
        itimerspec expiry{};
        const auto seconds = std::chrono::floor<std::chrono::seconds>(when);
        expiry.it_value.tv_sec = static_cast<time_t>(seconds.count());
        expiry.it_value.tv_nsec = static_cast<long>((when - seconds).count());
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &expiry, nullptr);
    }

    void stop() override
    {
        itimerspec off{};
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &off, nullptr);
    }

private:
    int m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<SystemWait> makeSystemWait(const Clock & /*clock*/, std::function<void()> onWake)
{
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<TimerFdWait>(fd, std::move(onWake));
}

} // namespace platform
