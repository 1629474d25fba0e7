// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace bench {

enum class TimerKind { Linux, Portable, PlainQt };
inline constexpr TimerKind timerKinds[] = {TimerKind::Linux, TimerKind::Portable, TimerKind::PlainQt};

[[nodiscard]] const char *nameOf(TimerKind kind);  // for the command line
[[nodiscard]] const char *labelOf(TimerKind kind); // for the report
[[nodiscard]] bool isOurs(TimerKind kind);

// One run of the real exercise window, in every timer kind at once, each in
// a process of its own on the same X server.
struct Scenario {
    std::string_view name;  // for the command line and the data files
    std::string_view label; // for the report
    std::int32_t interval;
    std::int32_t speedStep;
    int seconds;                  // each run, from the moment the pacing timer starts
    int rounds = 1;               // runs one after the other; a target must hold in each
    std::vector<int> holdUpSteps = {}; // steps a 60 ms hold-up of the thread lies over
    int clicks = 0;               // "versnel" clicks, each in the last 50 ms before a step
    bool allCoresBusy = false;
    bool cpu = false; // measures CPU time instead of watching pixels
    // Each kind starts only where its start-up falls on no onset of those
    // started before it, as a user's first series has no other program starting.
    bool quietStarts = false;
    // Plain Qt runs at the lowest priority, with an X server of its own at
    // that priority: its timer ticks 50 times a second at moments that drift
    // against ours, and where one of them woke with one of ours, ours would
    // otherwise wait for the core now and then. Where plain Qt's own figures
    // or its CPU time are compared, it runs at the normal priority.
    bool plainAside = false;
};

[[nodiscard]] std::span<const Scenario> scenarios();
[[nodiscard]] const Scenario *scenarioNamed(std::string_view name);

} // namespace bench
