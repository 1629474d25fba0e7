// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/paced_exercise.h"
#include "tests/support/hand_clock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
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

// The window as the engine sees it: keeps what the real one would show, tells
// `onCall` of every call in words, and hands the calls to the timers on to
// `exercise`, as both windows do.
class FakeView final : public core::ExerciseView {
public:
    std::string stimulusText;
    bool stimulusVisible = false;
    bool pauseVisible = false;
    bool pacingEnabled = false;
    bool pauseEnabled = false;
    std::int32_t pauseInterval = 0;
    std::string intervalText;
    std::string seriesText;
    int draws = 0;
    int showsThisSeries = 0;
    std::vector<SeriesRecord> series;

    std::function<void(std::string_view what, std::string_view detail)> onCall;
    core::PacedExercise *exercise = nullptr;

    void setStimulusText(std::string_view text) override
    {
        stimulusText = text;
        ++draws;
        note("text", text);
    }
    bool isStimulusVisible() const override { return stimulusVisible; }
    void setStimulusVisible(bool visible) override
    {
        if (visible && !stimulusVisible)
            ++showsThisSeries;
        stimulusVisible = visible;
        note("stimulus", visible ? "shown" : "hidden");
    }
    void setPauseVisible(bool visible) override
    {
        if (visible && !pauseVisible) {
            series.push_back({showsThisSeries, pauseInterval, intervalText, seriesText});
            showsThisSeries = 0;
        }
        pauseVisible = visible;
        note("pause", visible ? "shown" : "hidden");
    }
    void setIntervalText(std::string_view text) override
    {
        intervalText = text;
        note("tijd", text);
    }
    void setSeriesText(std::string_view text) override
    {
        seriesText = text;
        note("reeks", text);
    }
    void setPacingEnabled(bool enabled) override
    {
        pacingEnabled = enabled;
        note("Timer1", enabled ? "on" : "off");
        if (exercise)
            exercise->setPacingEnabled(enabled);
    }
    void setPauseInterval(std::int32_t milliseconds) override
    {
        pauseInterval = milliseconds;
        note("Timer2.Interval", std::to_string(milliseconds));
        if (exercise)
            exercise->setPauseInterval(milliseconds);
    }
    void setPauseEnabled(bool enabled) override
    {
        pauseEnabled = enabled;
        note("Timer2", enabled ? "on" : "off");
        if (exercise)
            exercise->setPauseEnabled(enabled);
    }

private:
    void note(std::string_view what, std::string_view detail) const
    {
        if (onCall)
            onCall(what, detail);
    }
};
