// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps time on Windows: it wakes and sleeps on a
// high-resolution waitable timer (Windows 10 1803 and later), precise to a
// fraction of a millisecond at no CPU cost, and asks for a 1 ms system tick.
#include "platform/clock.h"
#include "platform/system_time.h"

#include <QObject>
#include <QThread>
#include <QWinEventNotifier>

#include <windows.h>
#include <timeapi.h>

#include <utility>

// Older MinGW headers lack it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {

namespace {

class HighResolutionTimer {
public:
    // Auto-reset: a wait that it satisfies resets it, so it fires once a setting.
    HighResolutionTimer()
        : m_handle(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS))
    {
    }
    ~HighResolutionTimer()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    HighResolutionTimer(const HighResolutionTimer &) = delete;
    HighResolutionTimer &operator=(const HighResolutionTimer &) = delete;

    [[nodiscard]] HANDLE handle() const { return m_handle; } // null where this Windows has none
    // Relative, so it counts on the steady clock's interrupt time, whatever the wall clock does.
    void fireAt(std::chrono::nanoseconds now, std::chrono::nanoseconds at)
    {
        LARGE_INTEGER due;
        due.QuadPart = relativeDueTime(now, at);
        SetWaitableTimer(m_handle, &due, 0, nullptr, nullptr, FALSE);
    }
    void cancel() { CancelWaitableTimer(m_handle); }

private:
    HANDLE m_handle;
};

class WaitableTimerWait final : public SystemWait {
public:
    WaitableTimerWait(std::unique_ptr<HighResolutionTimer> timer, const Clock &clock, std::function<void()> onWake)
        : m_clock(clock)
        , m_timer(std::move(timer))
        , m_notifier(std::make_unique<QWinEventNotifier>(m_timer->handle()))
    {
        QObject::connect(m_notifier.get(), &QWinEventNotifier::activated, m_notifier.get(), std::move(onWake));
    }
    ~WaitableTimerWait() override
    {
        m_notifier.reset(); // before the handle it watches goes
    }

    void wakeAt(Duration at) override { m_timer->fireAt(m_clock.now(), at); }
    void stop() override { m_timer->cancel(); }

private:
    const Clock &m_clock;
    std::unique_ptr<HighResolutionTimer> m_timer;
    std::unique_ptr<QWinEventNotifier> m_notifier;
};

} // namespace

std::unique_ptr<SystemWait> makeSystemWait(const Clock &clock, std::function<void()> onWake)
{
    auto timer = std::make_unique<HighResolutionTimer>();
    if (!timer->handle())
        return nullptr;
    return std::make_unique<WaitableTimerWait>(std::move(timer), clock, std::move(onWake));
}

// One wait, never a loop: what is left goes to the caller's paid busy finish.
void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    thread_local HighResolutionTimer timer;
    if (!timer.handle()) {
        sleepOnQt(at);
        return;
    }
    timer.fireAt(now(), at);
    WaitForSingleObject(timer.handle(), INFINITE);
}

void keepTimeOnThisThread()
{
    // Timed waits and timer messages end on the system's timer tick, 15.6 ms
    // unless a program asks for less; Windows drops the request when the process ends.
    static const bool finerTick [[maybe_unused]] = timeBeginPeriod(1) == TIMERR_NOERROR;
    // A higher priority within the normal class gets the woken thread a core sooner.
    QThread::currentThread()->setPriority(QThread::HighestPriority);
}

} // namespace platform
