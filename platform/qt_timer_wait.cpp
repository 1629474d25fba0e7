// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"
#include "platform/system_wait.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace platform {

namespace {

// A precise QTimer's period is whole milliseconds and it fires about 0.2 ms
// after one has passed, so rounding down lands a wake-up within a millisecond
// around the moment asked for, rounding up within one after it: down keeps the
// learnt margin small, and the alarm's finish covers an early wake-up as it
// covers the margin.
class QtTimerWait final : public SystemWait {
public:
    QtTimerWait(const Clock &clock, std::function<void()> onWake)
        : m_clock(clock)
        , m_onWake(std::move(onWake))
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            if (m_inPart)
                sleepPart();
            else
                m_onWake();
        });
    }

    void wakeAt(Duration at) override
    {
        m_target = at;
        sleepPart();
    }

    void stop() override { m_timer.stop(); }

private:
    // The system lets a long wait run late by a share of its length (on Linux
    // 0.1 %: 3.5 ms for a pause), a short one by a few µs; so a long wait ends
    // well short of the moment, and the rest is waited apart.
    void sleepPart()
    {
        constexpr Duration longWait = std::chrono::milliseconds(100);
        constexpr Duration shortWait = std::chrono::milliseconds(50);
        const Duration left = std::max(m_target - m_clock.now(), Duration{0});
        m_inPart = left > longWait;
        const Duration wait = m_inPart ? left - shortWait : left;
        // Under a millisecond, down would be a zero timer: a spin that no budget pays for.
        const auto ms = wait < std::chrono::milliseconds(1) ? std::chrono::ceil<std::chrono::milliseconds>(wait).count()
                                                            : std::chrono::floor<std::chrono::milliseconds>(wait).count();
        m_timer.start(static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
    }

    const Clock &m_clock;
    std::function<void()> m_onWake;
    Duration m_target{0};
    bool m_inPart = false;
    QTimer m_timer;
};

} // namespace

std::unique_ptr<SystemWait> makePortableWait(const Clock &clock, std::function<void()> onWake)
{
    return std::make_unique<QtTimerWait>(clock, std::move(onWake));
}

} // namespace platform
