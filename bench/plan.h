// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_state.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// What `make bench` runs, and the timeline each run should give.
namespace bench {

enum class TimerKind { Linux, Portable, PlainQt };
inline constexpr std::array<TimerKind, 3> timerKinds{TimerKind::Linux, TimerKind::Portable, TimerKind::PlainQt};
inline constexpr std::array<const char *, 3> kindNames{"linux", "portable", "plain"}; // for the command line
inline constexpr std::array<const char *, 3> kindLabels{"ours, Linux alarm", "ours, portable alarm", "plain Qt timers"};

// One run of the real exercise window, in every timer kind at once, each in
// a process of its own with an X server of its own.
struct Scenario {
    std::string_view name;
    std::int32_t interval;
    std::int32_t speedStep;
    int seconds;                       // each run, from the moment the pacing timer starts
    int rounds = 1;                    // runs one after the other; a target must hold in each
    std::vector<int> holdUpSteps = {}; // steps a 60 ms hold-up of the thread lies over
    int clicks = 0;                    // "versnel" clicks, each in the last 50 ms before a step
    bool cpu = false;                  // measures CPU time instead of watching pixels
    // Each kind starts only where its start-up falls on no onset of those
    // started before it, as a user's first series has no other program starting.
    bool quietStarts = false;
    // Plain Qt runs at the lowest priority, with an X server of its own at
    // that priority: its timer ticks at moments that drift against ours, and
    // where one woke with one of ours, ours would wait for the core now and
    // then. Where its CPU time is measured, it runs at the normal priority.
    bool plainAside = false;
};

[[nodiscard]] const Scenario *scenarioNamed(std::string_view name);

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
