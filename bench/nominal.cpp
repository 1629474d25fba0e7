// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/nominal.h"

#include "bench/scenarios.h"
#include "core/exercise_view.h"
#include "core/module1.h"
#include "core/pacing_engine.h"
#include "platform/clock.h"
#include "platform/random_source.h"

#include <algorithm>
#include <limits>
#include <random>

namespace bench {

namespace {

constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t tickUs = std::int64_t{core::tickPeriodMs} * 1000;

// The draws do not matter here, only that they can be made.
class StillClock final : public platform::Clock {
public:
    [[nodiscard]] std::chrono::nanoseconds now() const override { return std::chrono::nanoseconds{1}; }
};

class Simulation final : public core::ExerciseView {
public:
    explicit Simulation(const core::ExerciseState &start)
        : m_state(start)
    {
        m_nextPacing = tickUs;
        m_engine.Form_Load();
    }

    std::vector<Onset> run(const std::vector<Click> &clicks, std::int64_t untilUs)
    {
        auto click = clicks.begin();
        for (;;) {
            const std::int64_t clickAt = click == clicks.end() ? never : click->atUs;
            // Ticks due at the moment of a click come before it.
            const std::int64_t next = std::min({m_nextPacing, m_nextPause, clickAt});
            if (next > untilUs)
                return m_onsets;
            m_now = next;
            if (next == m_nextPacing) {
                m_nextPacing += tickUs;
                m_engine.Timer1_Timer();
            } else if (next == m_nextPause) {
                m_nextPause = never;
                m_engine.Timer2_Timer();
            } else {
                click->faster ? m_engine.Command1_Click() : m_engine.Command2_Click();
                ++click;
            }
        }
    }

    void setStimulusText(std::string_view) override {}
    [[nodiscard]] bool isStimulusVisible() const override { return m_visible; }
    void setStimulusVisible(bool visible) override
    {
        if (m_inStep && visible != m_visible)
            m_onsets.push_back({visible ? Onset::Kind::Show : Onset::Kind::Hide, m_now});
        m_visible = visible;
    }
    void setPauseVisible(bool visible) override
    {
        m_onsets.push_back({visible ? Onset::Kind::PauseStart : Onset::Kind::PauseEnd, m_now});
        m_inStep = false;
    }
    void setIntervalText(std::string_view) override { m_inStep = true; } // the first thing a step does
    void setSeriesText(std::string_view) override {}
    void setPacingEnabled(bool enabled) override { m_nextPacing = enabled ? m_now + tickUs : never; }
    void setPauseInterval(std::int32_t milliseconds) override { m_pauseMs = milliseconds; }
    void setPauseEnabled(bool enabled) override
    {
        m_nextPause = enabled ? m_now + std::int64_t{m_pauseMs} * 1000 : never;
    }

private:
    core::ExerciseState m_state;
    StillClock m_clock;
    platform::RandomSource m_random{m_clock, 1};
    core::PacingEngine m_engine{m_state, *this, m_random};
    std::vector<Onset> m_onsets;
    std::int64_t m_now = 0;
    std::int64_t m_nextPacing = never;
    std::int64_t m_nextPause = never;
    std::int32_t m_pauseMs = 0;
    bool m_visible = false;
    bool m_inStep = false;
};

bool isStep(const Onset &onset)
{
    return onset.kind != Onset::Kind::PauseEnd;
}

// The time of the `number`th step (1-based), or never if it does not come by `untilUs`.
std::int64_t stepTime(const core::ExerciseState &start, const std::vector<Click> &clicks, int number,
                      std::int64_t untilUs)
{
    int seen = 0;
    for (const Onset &onset : nominalOnsets(start, clicks, untilUs)) {
        if (isStep(onset) && ++seen == number)
            return onset.atUs;
    }
    return never;
}

} // namespace

std::vector<Onset> nominalOnsets(const core::ExerciseState &start, const std::vector<Click> &clicks,
                                 std::int64_t untilUs)
{
    return Simulation(start).run(clicks, untilUs);
}

std::vector<Click> plannedClicks(const core::ExerciseState &start, int count, unsigned seed)
{
    constexpr int stepsPerSeries = 21;
    constexpr std::int64_t lookUs = 60'000'000; // far beyond the next step at any pace
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int64_t> lead(500, 49'500); // µs before the step
    std::vector<Click> clicks;
    for (int series = 0; int(clicks.size()) < 2 * count; ++series) {
        for (int local = 2; local < stepsPerSeries && int(clicks.size()) < 2 * count; local += 2) {
            const int step = series * stepsPerSeries + local;
            const std::int64_t horizon = (clicks.empty() ? 0 : clicks.back().atUs) + lookUs;
            clicks.push_back({stepTime(start, clicks, step, horizon) - lead(random), true});
            clicks.push_back({stepTime(start, clicks, step + 1, horizon) + 5000, false});
        }
    }
    return clicks;
}

PlannedRun plannedRun(const Scenario &s, int round)
{
    PlannedRun run;
    core::fillDefaults(run.state);
    run.state.flash_interval = s.interval;
    run.state.speed_step = s.speedStep;
    if (s.clicks)
        run.clicks = plannedClicks(run.state, s.clicks, unsigned(round + 1));
    run.untilUs = std::int64_t{s.seconds} * 1'000'000;
    run.onsets = nominalOnsets(run.state, run.clicks, run.untilUs);
    return run;
}

} // namespace bench
