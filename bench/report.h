// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/processes.h"

#include <QTextStream>

#include <vector>

namespace bench {

// Everything one `make bench` measured; each inner vector is by timer kind.
struct BenchResults {
    std::vector<std::vector<ChildResult>> idleRounds;
    std::vector<ChildResult> clicks;
    std::vector<ChildResult> holdUps;
    std::vector<ChildResult> cpu20;
    std::vector<ChildResult> cpu300;
    std::vector<ChildResult> cpu2000;
    std::vector<double> startupsMs;
};

// Writes the report's tables; returns whether every target was met.
bool writeReport(QTextStream &out, const BenchResults &results);

} // namespace bench
