// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/plan.h"

#include "core/module1.h"
#include "tests/support/exercise_rig.h"

#include <algorithm>
#include <limits>
#include <random>

namespace bench {

const Scenario *scenarioNamed(std::string_view name)
{
    // The idle rounds start at 200 with an acceleration of 100, so they pass
    // through two paces and a speed-up, and each gives 175 onsets: eight
    // series and seven pause ends.
    static const std::vector<Scenario> table = {
        {.name = "idle", .interval = 200, .speedStep = 100, .seconds = 41, .rounds = 3, .quietStarts = true,
         .plainAside = true},
        {.name = "clicks", .interval = 200, .speedStep = 0, .seconds = 60, .clicks = 100, .plainAside = true},
        {.name = "holdups", .interval = 2000, .speedStep = 100, .seconds = 21, .holdUpSteps = {3, 7, 11, 15, 19},
         .plainAside = true},
        {.name = "cpu20", .interval = 20, .speedStep = 0, .seconds = 30, .cpu = true}, // every tick a step
        {.name = "cpu300", .interval = 300, .speedStep = 0, .seconds = 25, .cpu = true},
        {.name = "cpu2000", .interval = 2000, .speedStep = 0, .seconds = 25, .cpu = true},
    };
    const auto it = std::find_if(table.begin(), table.end(), [&](const Scenario &s) { return s.name == name; });
    return it == table.end() ? nullptr : &*it;
}

std::vector<Onset> nominalOnsets(const core::ExerciseState &start, const std::vector<Click> &clicks,
                                 std::int64_t untilUs)
{
    ExerciseRig rig(start.flash_interval, start.speed_step);
    const auto at = [&](std::int64_t us) { return rig.origin + std::chrono::microseconds(us); };
    std::vector<Onset> onsets;
    bool shown = false;
    bool paused = false;
    rig.view.onCall = [&](std::string_view what, std::string_view detail) {
        const bool on = detail == "shown";
        bool &was = what == "stimulus" ? shown : paused;
        if ((what != "stimulus" && what != "pause") || on == was)
            return;
        was = on;
        const Onset::Kind kind = what == "stimulus" ? (on ? Onset::Kind::Show : Onset::Kind::Hide)
                                                    : (on ? Onset::Kind::PauseStart : Onset::Kind::PauseEnd);
        onsets.push_back({kind, std::chrono::duration_cast<std::chrono::microseconds>(rig.elapsed()).count()});
    };
    for (const Click &click : clicks) {
        if (click.atUs > untilUs)
            break;
        rig.time.runUntil(at(click.atUs));
        click.faster ? rig.exercise.Command1_Click() : rig.exercise.Command2_Click();
    }
    rig.time.runUntil(at(untilUs));
    return onsets;
}

namespace {

constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();

// The time of the `number`th step (1-based), or never if it does not come by `untilUs`.
std::int64_t stepTime(const core::ExerciseState &start, const std::vector<Click> &clicks, int number,
                      std::int64_t untilUs)
{
    int seen = 0;
    for (const Onset &onset : nominalOnsets(start, clicks, untilUs)) {
        if (onset.kind != Onset::Kind::PauseEnd && ++seen == number)
            return onset.atUs;
    }
    return never;
}

// "versnel" clicks at random moments in the last 50 ms before steps 2, 4, …, 20
// of each series, each followed 5 ms after the next step by a "vertraag" that
// puts the interval back. Each "versnel" is the one in its pair that is judged.
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

} // namespace

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
