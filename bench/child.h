// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/scenarios.h"

#include <chrono>

namespace bench {

class RecordingApplication;

// A child process: one round of one scenario on one timer kind, its window
// made at `start` on the steady clock. Prints a line per onset ("onset …"),
// one per judged click ("click <ms>") and its CPU figures ("cpu …"), then
// returns its exit code.
int runTimelineChild(RecordingApplication &app, const Scenario &scenario, TimerKind kind, int round,
                     std::chrono::nanoseconds start);

// A child process that starts the real program and prints "shown <ns>" when
// the settings window is first on screen.
int runStartupChild();

} // namespace bench
