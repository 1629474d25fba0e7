// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace platform {
class RandomSource;
}

namespace core {

struct ExerciseState;
class ExerciseView;

constexpr std::int32_t tickPeriodMs = 10;
constexpr std::int32_t pauseMs = 3500;
constexpr std::int32_t speedUpPauseMs = 5500;

// The exercise timeline: ticks add up to half cycles, half cycles to series,
// every third series speeds up. Drives the window only through ExerciseView.
class PacingEngine {
public:
    PacingEngine(ExerciseState &state, ExerciseView &view, platform::RandomSource &random);
    PacingEngine(const PacingEngine &) = delete;
    PacingEngine &operator=(const PacingEngine &) = delete;

    // How many ticks from now until the next one that makes a step, at least 1.
    // The ticks before it only add to elapsed_ms, so a timer may sleep through them.
    [[nodiscard]] std::int64_t ticksUntilStep() const;

    void Form_Load();
    void Timer1_Timer();
    void Timer2_Timer();
    void Command1_Click();
    void Command2_Click();

private:
    void Flash_Step();
    void endSeries();

    ExerciseState &m_state;
    ExerciseView &m_view;
    platform::RandomSource &m_random;
};

} // namespace core
