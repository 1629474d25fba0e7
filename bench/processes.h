// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/onset_analysis.h"
#include "bench/plan.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The processes of `make bench`: the bench, its X servers and its children.
namespace bench {

class RecordingApplication;

inline constexpr const char *childVariable = "TARVELIN_BENCH_CHILD";

struct CpuFigures {
    double overallPercent = 0; // of one core
    double maxRssMb = 0;
};

// What one child reported.
struct ChildResult {
    std::vector<OnsetRow> onsets;
    std::vector<OnsetRow> clicks; // clickRows()
    CpuFigures cpu;
};

// A child: one round of one scenario on one timer kind, its window made at
// `start` on the steady clock. It writes its result to its standard output
// (writeChildResult) and returns its exit code.
int runTimelineChild(RecordingApplication &app, const Scenario &scenario, TimerKind kind, int round,
                     std::chrono::nanoseconds start);
void writeChildResult(const ChildResult &result);
// A child that starts the real program and prints "shown <ns>" when the
// settings window is first on screen.
int runStartupChild();

// The bench's X servers: one a timer kind, so that each program is alone on
// its screen, as on a user's, and no kind waits for another's requests; and
// one more at the lowest priority, for plain Qt where it runs aside.
class Displays {
public:
    Displays();
    ~Displays();

    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] QProcessEnvironment environment(TimerKind kind, bool aside) const;

private:
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<QProcess>> m_servers; // by timerKinds, then plain Qt's aside
    std::vector<QString> m_names;
};

// One round of each scenario given, all at once, in every timer kind, each in
// its own process on its own X server; the results by scenario, then by kind.
[[nodiscard]] std::vector<std::vector<ChildResult>> runTogether(const std::vector<const Scenario *> &scenarios,
                                                                int round, const Displays &displays);

// From asking for the process to the settings window on screen, in ms.
[[nodiscard]] double startupMs(const QProcessEnvironment &env);

} // namespace bench
