// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps time on Linux: it wakes on a timerfd with an absolute
// CLOCK_MONOTONIC deadline (the steady clock's own), which the kernel never
// fires early; its thread sleeps on a Qt wait condition and has no timer slack.
#include "platform/clock.h"
#include "platform/system_time.h"

#include <QObject>
#include <QSocketNotifier>

#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace platform {

namespace {

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

    void wakeAt(Duration at) override
    {
        const Duration when = std::max(at, Duration{1}); // zero would disarm it
        const auto seconds = std::chrono::floor<std::chrono::seconds>(when);
        itimerspec expiry{};
        expiry.it_value.tv_sec = static_cast<time_t>(seconds.count());
        expiry.it_value.tv_nsec = static_cast<long>((when - seconds).count());
        timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &expiry, nullptr);
    }
    void stop() override
    {
        const itimerspec off{};
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
    return fd < 0 ? nullptr : std::make_unique<TimerFdWait>(fd, std::move(onWake));
}

// One wait, never a loop: what is left goes to the caller's paid busy finish.
void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    sleepOnQt(at);
}

void keepTimeOnThisThread()
{
    // Else a timed wait may end 50 µs late. A shorter time slice, tried, made a
    // woken thread take the core from the X server mid round trip: a show lost 0.1 ms.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

} // namespace platform
