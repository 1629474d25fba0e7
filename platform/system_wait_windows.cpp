// SPDX-License-Identifier: GPL-3.0-or-later
// How the program wakes on Windows: a high-resolution waitable timer that the
// event loop watches, where this Windows has one (10 1803 and later).
#include "platform/clock.h"
#include "platform/high_resolution_timer.h"
#include "platform/system_wait.h"

#include <QObject>
#include <QWinEventNotifier>

#include <utility>

namespace platform {

namespace {

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

    WaitableTimerWait(const WaitableTimerWait &) = delete;
    WaitableTimerWait &operator=(const WaitableTimerWait &) = delete;

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
    if (!timer->isValid())
        return nullptr;
    return std::make_unique<WaitableTimerWait>(std::move(timer), clock, std::move(onWake));
}

} // namespace platform
