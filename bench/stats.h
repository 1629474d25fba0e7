// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

namespace bench {

// A set of samples as the report shows it. A percentile is given only where
// the count supports it: the median from 2 samples, p99 from 100.
struct Summary {
    std::size_t n = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    double mean = 0;

    [[nodiscard]] bool hasP99() const { return n >= 100; }
};

[[nodiscard]] Summary summarize(std::vector<double> values);
[[nodiscard]] double percentile(std::vector<double> values, double p);

// "0.123", or "–" where there is no figure.
[[nodiscard]] QString number(double value, int decimals = 3);

} // namespace bench
