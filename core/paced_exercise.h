// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/pacing_engine.h"
#include "platform/timer.h"

namespace core {

// The engine on the window's two timers: the pacing timer (`Timer1`, every
// tick, sleeping through those that make no step) and the pause timer
// (`Timer2`). A window, the page or a test owns one and hands the engine's
// calls to its timers on to it.
class PacedExercise {
public:
    PacedExercise(ExerciseState &state, ExerciseView &view, platform::RandomSource &random,
                  platform::TimeSource &time);

    // Starts the pacing and loads the window; its controls must exist by then.
    void start();

    // The pacing timer sleeps through quiet ticks: a click must come after
    // every tick due before it, and moves the next step.
    void Command1_Click();
    void Command2_Click();

    void setPacingEnabled(bool enabled) { Timer1.setEnabled(enabled); }
    void setPauseInterval(std::int32_t milliseconds) { Timer2.setInterval(milliseconds); }
    void setPauseEnabled(bool enabled) { Timer2.setEnabled(enabled); }

    [[nodiscard]] PacingEngine &engine() { return m_engine; }

private:
    platform::TimeSource &m_time;
    PacingEngine m_engine;
    platform::Timer Timer1;
    platform::Timer Timer2;
};

} // namespace core
