// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/scenarios.h"

#include <algorithm>

namespace bench {

const char *nameOf(TimerKind kind)
{
    switch (kind) {
    case TimerKind::Linux: return "linux";
    case TimerKind::Portable: return "portable";
    case TimerKind::PlainQt: return "plain";
    }
    return "";
}

const char *labelOf(TimerKind kind)
{
    switch (kind) {
    case TimerKind::Linux: return "ours, Linux alarm";
    case TimerKind::Portable: return "ours, portable alarm";
    case TimerKind::PlainQt: return "plain Qt timers";
    }
    return "";
}

bool isOurs(TimerKind kind)
{
    return kind != TimerKind::PlainQt;
}

std::span<const Scenario> scenarios()
{
    // The idle rounds start at 200 with an acceleration of 100, so they pass
    // through two paces and a speed-up, and each gives 175 onsets: eight
    // series and seven pause ends.
    static const std::vector<Scenario> table = {
        {.name = "idle", .label = "idle, start 200, acceleration 100", .interval = 200, .speedStep = 100,
         .seconds = 41, .rounds = 3, .quietStarts = true, .plainAside = true},
        {.name = "clicks", .label = "\"versnel\" in the last 50 ms before every other step, at 200",
         .interval = 200, .speedStep = 0, .seconds = 60, .clicks = 100, .plainAside = true},
        {.name = "holdups", .label = "60 ms hold-ups of the thread over steps 3, 7, 11, 15 and 19, at 2000",
         .interval = 2000, .speedStep = 100, .seconds = 21, .holdUpSteps = {3, 7, 11, 15, 19}, .plainAside = true},
        {.name = "busy", .label = "all cores busy, at 300", .interval = 300, .speedStep = 100, .seconds = 15,
         .allCoresBusy = true},
        {.name = "cpu20", .label = "every tick a step (20)", .interval = 20, .speedStep = 0, .seconds = 30, .cpu = true},
        {.name = "cpu300", .label = "at 300", .interval = 300, .speedStep = 0, .seconds = 25, .cpu = true},
        {.name = "cpu2000", .label = "at 2000", .interval = 2000, .speedStep = 0, .seconds = 25, .cpu = true},
    };
    return table;
}

const Scenario *scenarioNamed(std::string_view name)
{
    const auto all = scenarios();
    const auto it = std::find_if(all.begin(), all.end(), [&](const Scenario &s) { return s.name == name; });
    return it == all.end() ? nullptr : &*it;
}

} // namespace bench
