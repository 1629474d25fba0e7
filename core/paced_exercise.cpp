// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paced_exercise.h"

namespace core {

PacedExercise::PacedExercise(ExerciseState &state, ExerciseView &view, platform::RandomSource &random,
                             platform::TimeSource &time)
    : m_time(time)
    , m_engine(state, view, random)
    , Timer1([this] { m_engine.Timer1_Timer(); }, time)
    , Timer2([this] { m_engine.Timer2_Timer(); }, time)
{
    Timer1.setInterval(tickPeriodMs);
    Timer1.setLookahead([this] { return m_engine.ticksUntilStep(); });
}

void PacedExercise::start()
{
    Timer1.setEnabled(true);
    Timer2.setEnabled(false);
    m_engine.Form_Load();
}

void PacedExercise::Command1_Click()
{
    m_time.runBetweenTicks([this] { m_engine.Command1_Click(); });
}

void PacedExercise::Command2_Click()
{
    m_time.runBetweenTicks([this] { m_engine.Command2_Click(); });
}

} // namespace core
