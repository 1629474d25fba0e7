// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/pacing_engine.h"
#include "tests/support/hand_clock.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// A clock that stands still, for draws that are the same in every run.
inline HandClock frozenClock()
{
    return HandClock(std::chrono::nanoseconds{123456789});
}

struct SeriesRecord {
    int shows = 0;              // visible half cycles in the series
    std::int32_t pauseMs = 0;   // pause period asked for at its end
    std::string intervalText;   // interval display during the series
    std::string seriesText;     // series display during the series
};

// Records what the engine asks of the window, like the real one would show it.
class FakeView final : public core::ExerciseView {
public:
    std::string stimulusText;
    bool stimulusVisible = false;
    bool pauseVisible = false;
    bool pacingEnabled = true;
    bool pauseEnabled = false;
    std::int32_t pauseInterval = 0;
    std::string intervalText;
    std::string seriesText;
    int draws = 0;
    int showsThisSeries = 0;
    std::vector<SeriesRecord> series;

    // Set by the driver; each timer counts its period from its last enable or firing.
    std::int64_t nowMs = 0;
    std::int64_t pacingSince = 0;
    std::int64_t pauseSince = 0;

    void setStimulusText(std::string_view text) override
    {
        stimulusText = text;
        ++draws;
    }
    bool isStimulusVisible() const override { return stimulusVisible; }
    void setStimulusVisible(bool visible) override
    {
        if (visible && !stimulusVisible)
            ++showsThisSeries;
        stimulusVisible = visible;
    }
    void setPauseVisible(bool visible) override
    {
        if (visible && !pauseVisible) {
            series.push_back({showsThisSeries, pauseInterval, intervalText, seriesText});
            showsThisSeries = 0;
        }
        pauseVisible = visible;
    }
    void setIntervalText(std::string_view text) override
    {
        intervalText = text;
    }
    void setSeriesText(std::string_view text) override { seriesText = text; }
    void setPacingEnabled(bool enabled) override
    {
        if (enabled && !pacingEnabled)
            pacingSince = nowMs;
        pacingEnabled = enabled;
    }
    void setPauseInterval(std::int32_t milliseconds) override { pauseInterval = milliseconds; }
    void setPauseEnabled(bool enabled) override
    {
        if (enabled && !pauseEnabled)
            pauseSince = nowMs;
        pauseEnabled = enabled;
    }
};

// Plays both timers in simulated time, 10 ms at a time: an enabled timer fires
// once per period, the first time one period after it was enabled.
class TimerDriver {
public:
    TimerDriver(core::PacingEngine &engine, FakeView &view)
        : m_engine(engine)
        , m_view(view)
    {
    }

    // Advances 10 ms; returns true when a pacing tick was delivered.
    bool advance()
    {
        m_view.nowMs += core::tickPeriodMs;
        if (m_view.pauseEnabled && m_view.nowMs - m_view.pauseSince >= m_view.pauseInterval) {
            m_view.pauseSince = m_view.nowMs;
            m_engine.Timer2_Timer();
        }
        if (m_view.pacingEnabled && m_view.nowMs - m_view.pacingSince >= core::tickPeriodMs) {
            m_view.pacingSince = m_view.nowMs;
            m_engine.Timer1_Timer();
            return true;
        }
        return false;
    }

    // Runs until `done` holds, at most `limit` slots; returns the slots used.
    template<typename Done>
    std::int64_t runUntil(Done done, std::int64_t limit)
    {
        std::int64_t slots = 0;
        while (!done() && slots < limit) {
            advance();
            ++slots;
        }
        return slots;
    }

private:
    core::PacingEngine &m_engine;
    FakeView &m_view;
};
