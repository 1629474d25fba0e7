// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/onset_analysis.h"
#include "bench/scenarios.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace bench {

inline constexpr const char *childVariable = "TARVELIN_BENCH_CHILD";

struct CpuFigures {
    double overallPercent = 0;
    double flashingCpuMs = 0; // while the stimuli flash, the pauses left out
    int flashingSteps = 0;
    double maxRssMb = 0;
    double spunMs = 0;     // in busy finishes, the whole run
    double sleptCpuMs = 0; // the thread's CPU time in the alarms' own short sleeps, the whole run
};

// What one child reported.
struct ChildResult {
    TimerKind kind;
    std::vector<OnsetRow> onsets;
    std::vector<double> clicks;            // the error of the half cycle after each judged click
    std::vector<double> clicksNotMachines; // those whose onsets were not late by the machine's doing
    std::size_t clicksUnexplained = 0;     // those with a late onset whose cause was not found
    CpuFigures cpu;
    bool pixelsWatched = false;
    bool finished = false;
};

// A child's result to the bench: raw bytes on its standard output.
void writeChildResult(const CpuFigures &cpu, bool pixelsWatched, const std::vector<OnsetRow> &onsets,
                      const std::vector<ClickError> &clicks);

// An X server of the bench's own, so the program runs on xcb as in a user's
// X11 session and its pixels can be watched.
class Xvfb {
public:
    explicit Xvfb(bool lowPriority);
    ~Xvfb();
    Xvfb(const Xvfb &) = delete;
    Xvfb &operator=(const Xvfb &) = delete;

    [[nodiscard]] bool isRunning() const { return !m_display.isEmpty(); }
    [[nodiscard]] QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

// The bench's X servers: one for each timer kind, so that each program is
// alone on its screen, as on a user's, and no kind waits for another's
// requests; and one more for plain Qt where it runs aside (Scenario::plainAside).
class Displays {
public:
    Displays();
    Displays(const Displays &) = delete;
    Displays &operator=(const Displays &) = delete;

    [[nodiscard]] bool isRunning() const;
    // `aside`: on the server at the lowest priority, for plain Qt.
    [[nodiscard]] QProcessEnvironment environment(TimerKind kind, bool aside) const;

private:
    QTemporaryDir m_runtime;
    std::vector<std::unique_ptr<Xvfb>> m_servers; // by timerKinds, then plain Qt's aside
};

// One round of each scenario given, all at once, in every timer kind, each in
// its own process with the environment of its kind (its own X server); the
// results by scenario, then by kind.
[[nodiscard]] std::vector<std::vector<ChildResult>> runTogether(const std::vector<const Scenario *> &scenarios,
                                                                int round, const Displays &displays);

// From asking for the process to the settings window on screen, in ms.
[[nodiscard]] double startupMs(const QProcessEnvironment &env);

} // namespace bench
