// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/waitable_timer_alarm.h"

#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/high_resolution_timer.h"

#include <QObject>
#include <QWinEventNotifier>

#include <utility>

namespace platform {

namespace {

class WaitableTimerAlarm final : public EarlyWakeAlarm {
public:
    WaitableTimerAlarm(std::unique_ptr<HighResolutionTimer> timer, const Clock &clock, std::function<void()> onAlarm)
        : EarlyWakeAlarm(clock, std::move(onAlarm))
        , m_timer(std::move(timer))
        , m_notifier(std::make_unique<QWinEventNotifier>(m_timer->handle()))
    {
        QObject::connect(m_notifier.get(), &QWinEventNotifier::activated, m_notifier.get(), [this] { onWake(); });
    }

    ~WaitableTimerAlarm() override
    {
        m_notifier.reset(); // before the handle it watches goes
    }

    WaitableTimerAlarm(const WaitableTimerAlarm &) = delete;
    WaitableTimerAlarm &operator=(const WaitableTimerAlarm &) = delete;

private:
    void sleepUntil(Duration at) override { m_timer->fireAt(clock().now(), at); }
    void stopSleeping() override { m_timer->cancel(); }

    std::unique_ptr<HighResolutionTimer> m_timer;
    std::unique_ptr<QWinEventNotifier> m_notifier;
};

} // namespace

std::unique_ptr<Alarm> makeWaitableTimerAlarm(const Clock &clock, std::function<void()> onAlarm)
{
    auto timer = std::make_unique<HighResolutionTimer>();
    if (!timer->isValid())
        return nullptr;
    return std::make_unique<WaitableTimerAlarm>(std::move(timer), clock, std::move(onAlarm));
}

} // namespace platform
