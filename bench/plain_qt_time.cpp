// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/plain_qt_time.h"

#include <QObject>
#include <QTimer>

#include <utility>

namespace bench {

namespace {

class PlainQtTimer final : public platform::TimerBackend {
public:
    explicit PlainQtTimer(std::function<void()> onTick)
        : m_onTick(std::move(onTick))
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { m_onTick(); });
    }

    void setInterval(std::int32_t milliseconds) override { m_timer.setInterval(milliseconds); }
    void setEnabled(bool enabled) override
    {
        if (enabled && !m_timer.isActive())
            m_timer.start();
        else if (!enabled)
            m_timer.stop();
    }
    [[nodiscard]] bool isEnabled() const override { return m_timer.isActive(); }
    void setLookahead(std::function<std::int64_t()>) override {}

private:
    std::function<void()> m_onTick;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<platform::TimerBackend> PlainQtTimeSource::makeTimer(std::function<void()> onTick)
{
    return std::make_unique<PlainQtTimer>(std::move(onTick));
}

} // namespace bench
