// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/plan.h"
#include "bench/wake_log.h"
#include "bench/watch.h"

#include <utility>
#include <vector>

namespace bench {

// An onset more than this late (the p99 target) has its cause found; more
// than `lateMs`, it is counted by cause in the report.
inline constexpr double explainMs = 0.2;
inline constexpr double lateMs = 0.5;

// Why an onset came late, as far as the run shows.
enum class Cause {
    OnTime,
    MachineWokeLate,  // the alarm's wake-up came late while the thread was idle
    WaitedForCore,    // it came, but the woken thread waited for a core while others ran
    Preempted,        // between the alarm and the handler the system ran something else
    DispatchStall,    // woken in time, the thread stalled in Qt's dispatch of the wake-up
    SpinStall,        // woken in time, the thread stood still in the busy finish
    ThreadBusy,       // the thread was in another event when the alarm was due
    EventStall,       // it was, and stood still in it: most of the event's time it was off its core
    OutOfReserve,     // the busy finish could not cover the rest of the wait
    AfterAlarm,       // the alarm was on time; the handler ran later
    HoldUp,           // the scenario held the thread up over it
    PlainTimer,       // plain Qt timers: lateness is how they work
    Unexplained,
};

[[nodiscard]] const char *labelOf(Cause cause);
// The causes that are the machine's doing, not the program's.
[[nodiscard]] bool isMachines(Cause cause);

// One onset, every stage of it against the nominal timeline, in ms.
struct OnsetRow {
    Onset::Kind kind;
    double nominalMs = 0;
    double errorMs = 0;      // handler against nominal
    double pixelErrorMs = 0; // the X server's new pixels against nominal; NaN if none seen
    double queueMs = 0;      // handler to the start of the window's repaint
    Cause cause = Cause::OnTime;
};

struct RunRecord {
    Nanos origin{0}; // when the pacing timer started
    std::vector<Onset> nominal;
    std::vector<ThreadMoment> handled; // when the window made each onset
    Nanos waitedAtStart{0}; // the run-queue wait before the first onset
    std::vector<Nanos> pixels;
    std::vector<DispatchedEvent> events;
    std::vector<AlarmWake> wakes;
    std::vector<std::pair<Nanos, Nanos>> holdUps;
    bool ours = true;
};

[[nodiscard]] std::vector<OnsetRow> joinOnsets(const RunRecord &run);

// The half cycle after each judged click, as a row: its error, and the cause
// of a late onset at either end, an unexplained one first, then the machine's.
[[nodiscard]] std::vector<OnsetRow> clickRows(const RunRecord &run, const std::vector<Click> &clicks,
                                              const std::vector<OnsetRow> &rows);

} // namespace bench
