#include "platform/timer.h"

#include "platform/window_services.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace platform {

struct Timer::Impl {
    QTimer timer;
    std::function<void()> onTimeout;
};

Timer::Timer(std::function<void()> onTimeout)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->onTimeout = std::move(onTimeout);
    // A coarse timer may be 5% off, which would stretch a 3500 ms pause by 175 ms.
    m_impl->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_impl->timer, &QTimer::timeout, &m_impl->timer, [impl = m_impl.get()] {
        if (!isProgramEnding() && impl->onTimeout)
            impl->onTimeout();
    });
}

Timer::~Timer() = default;

void Timer::setInterval(std::int32_t milliseconds)
{
    m_impl->timer.setInterval(std::max(milliseconds, std::int32_t{0}));
}

std::int32_t Timer::interval() const
{
    return m_impl->timer.interval();
}

void Timer::setEnabled(bool enabled)
{
    if (!enabled)
        m_impl->timer.stop();
    else if (!m_impl->timer.isActive())
        m_impl->timer.start();
}

bool Timer::isEnabled() const
{
    return m_impl->timer.isActive();
}

} // namespace platform
