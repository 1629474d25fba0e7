// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/processes.h"

#include <QString>

#include <vector>

namespace bench {

// Everything one `make bench` measured; each inner vector is by timer kind.
struct BenchResults {
    std::vector<std::vector<ChildResult>> idleRounds;
    std::vector<ChildResult> clicks;
    std::vector<ChildResult> holdUps;
    std::vector<ChildResult> busy;
    std::vector<ChildResult> cpu20;
    std::vector<ChildResult> cpu300;
    std::vector<ChildResult> cpu2000;
    std::vector<double> startupsMs;
    QString machine;
    double seconds = 0;
};

struct Report {
    QString markdown;
    bool allMet = false;
};

[[nodiscard]] Report makeReport(const BenchResults &results);

// Every onset's error of the first idle round and of the hold-ups, per kind,
// at the handler and at the pixels, for bench/timing.gp; and every late onset
// of our timers with what its alarm did, in late-onsets.txt.
void writeData(const QString &folder, const BenchResults &results);

} // namespace bench
