// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pacing_engine.h"

#include "core/exercise_state.h"
#include "core/exercise_view.h"
#include "core/stimulus_draw.h"
#include "platform/conversion.h"


namespace core {

namespace {

constexpr std::int16_t stepsPerSeries = 21;
constexpr std::int16_t seriesPerSpeedUp = 3;
constexpr std::int32_t clickStepMs = 100;

} // namespace

PacingEngine::PacingEngine(ExerciseState &state, ExerciseView &view, platform::RandomSource &random)
    : m_state(state)
    , m_view(view)
    , m_random(random)
{
}

std::int64_t PacingEngine::ticksUntilStep() const
{
    // Smallest n >= 1 with 2 * (elapsed_ms + 10 n) > flash_interval. Saturation of
    // elapsed_ms never comes first: past half the 32-bit range it beats any interval.
    const std::int64_t shortfall = std::int64_t{m_state.flash_interval} - 2 * std::int64_t{m_state.elapsed_ms};
    return shortfall < 0 ? 1 : shortfall / (2 * tickPeriodMs) + 1;
}

void PacingEngine::Form_Load()
{
    drawStimulus(m_state, m_view, m_random);
}

void PacingEngine::Timer1_Timer()
{
    m_state.elapsed_ms = platform::saturatingAdd(m_state.elapsed_ms, tickPeriodMs);
    // Double both sides: half an odd interval ends in .5, and this way needs no floating point.
    if (2 * std::int64_t{m_state.elapsed_ms} > m_state.flash_interval) {
        m_state.elapsed_ms = 1;
        Flash_Step();
    }
}

void PacingEngine::Flash_Step()
{
    m_view.setIntervalText(platform::toText(m_state.flash_interval));
    m_view.setSeriesText(platform::toText(static_cast<std::int16_t>(m_state.series_count + 1)));
    ++m_state.step_count;

    if (m_state.step_count == stepsPerSeries)
        endSeries();
    else
        m_view.setStimulusVisible(!m_view.isStimulusVisible());

    Form_Load();
}

void PacingEngine::endSeries()
{
    ++m_state.series_count;
    m_view.setPauseInterval(pauseMs);
    if (m_state.series_count == seriesPerSpeedUp) {
        m_view.setPauseInterval(speedUpPauseMs);
        m_state.flash_interval = platform::saturatingSub(m_state.flash_interval, m_state.speed_step);
        m_state.series_count = 0;
        if (m_state.flash_interval < m_state.speed_step)
            m_state.flash_interval = m_state.speed_step;
    }
    m_view.setPauseEnabled(true);
    m_view.setPauseVisible(true);
    m_view.setPacingEnabled(false);
    m_state.step_count = 0;
    m_view.setStimulusVisible(false);
}

void PacingEngine::Timer2_Timer()
{
    m_view.setPauseEnabled(false);
    m_view.setPauseVisible(false);
    m_view.setPacingEnabled(true);
    m_view.setStimulusVisible(false);
    Form_Load();
}

void PacingEngine::Command1_Click()
{
    m_state.speed_step = clickStepMs;
    m_state.flash_interval = platform::saturatingSub(m_state.flash_interval, clickStepMs);
}

void PacingEngine::Command2_Click()
{
    m_state.speed_step = clickStepMs;
    m_state.flash_interval = platform::saturatingAdd(m_state.flash_interval, clickStepMs);
}

} // namespace core
