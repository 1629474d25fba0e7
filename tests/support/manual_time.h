// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"
#include "tests/support/hand_clock.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Time that moves only when a test says so. Timers made on `source` sleep on
// alarms that fire as the test runs the clock past their deadlines, each as
// late as the test's wake-up rule says.
class ManualTime {
public:
    using Duration = std::chrono::nanoseconds;
    // When a wake-up asked for `deadline` is handed over; never before it.
    using WakeRule = std::function<Duration(Duration deadline)>;

    ManualTime()
        : source(m_clock, [this](const platform::Clock &, std::function<void()> onAlarm) {
            return std::make_unique<HandAlarm>(*this, std::move(onAlarm));
        })
    {
    }

    [[nodiscard]] Duration now() const { return m_clock.reading; }
    [[nodiscard]] const platform::Clock &clock() const { return m_clock; }

    // Plays the event loop until `to`: fires every alarm whose wake-up comes by
    // then, earliest first, with the clock at that moment.
    void runUntil(Duration to, const WakeRule &wake = {})
    {
        for (;;) {
            HandAlarm *next = nullptr;
            Duration at{0};
            for (HandAlarm *alarm : m_alarms) {
                if (!alarm->armed)
                    continue;
                const Duration when = std::max(wake ? wake(alarm->deadline) : alarm->deadline, m_clock.reading);
                if (!next || when < at) {
                    next = alarm;
                    at = when;
                }
            }
            if (!next || at > to)
                break;
            m_clock.reading = at;
            next->armed = false;
            ++wakeUps;
            next->onAlarm();
        }
        m_clock.reading = std::max(m_clock.reading, to);
    }

    int wakeUps = 0;

private:
    struct HandAlarm final : platform::Alarm {
        HandAlarm(ManualTime &time, std::function<void()> callback)
            : time(time)
            , onAlarm(std::move(callback))
        {
            time.m_alarms.push_back(this);
        }
        ~HandAlarm() override { std::erase(time.m_alarms, this); }
        HandAlarm(const HandAlarm &) = delete;
        HandAlarm &operator=(const HandAlarm &) = delete;

        void wakeAt(Duration at) override
        {
            deadline = at;
            armed = true;
        }
        void cancel() override { armed = false; }

        ManualTime &time;
        std::function<void()> onAlarm;
        Duration deadline{0};
        bool armed = false;
    };

    HandClock m_clock{std::chrono::hours(1)};
    std::vector<HandAlarm *> m_alarms;

public:
    platform::ClockTimeSource source; // last: it reads the clock above
};
