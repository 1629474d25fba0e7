// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_state.h"

#include <cstdint>
#include <vector>

namespace bench {

struct Scenario;

// A moment at which the stimulus area changes: a step (show, hide or the
// pause picture) or the end of a pause.
struct Onset {
    enum class Kind { Show, Hide, PauseStart, PauseEnd };
    Kind kind;
    std::int64_t atUs; // after the pacing timer started
};

struct Click {
    std::int64_t atUs;
    bool faster;
};

// The exact timeline: the real engine on the real timers, on hand-stepped
// time whose wake-ups are never late, with the clicks at the moments given.
[[nodiscard]] std::vector<Onset> nominalOnsets(const core::ExerciseState &start, const std::vector<Click> &clicks,
                                               std::int64_t untilUs);

// "versnel" clicks at random moments in the last 50 ms before steps 2, 4, …, 20
// of each series, each followed 5 ms after the next step by a "vertraag" that
// puts the interval back. Each "versnel" is the one in its pair that is judged.
[[nodiscard]] std::vector<Click> plannedClicks(const core::ExerciseState &start, int count, unsigned seed);

// A round of a scenario as planned: the state it starts from, its clicks and
// its timeline with the clicks at the moments planned.
struct PlannedRun {
    core::ExerciseState state;
    std::vector<Click> clicks;
    std::vector<Onset> onsets;
    std::int64_t untilUs;
};
[[nodiscard]] PlannedRun plannedRun(const Scenario &s, int round);

} // namespace bench
