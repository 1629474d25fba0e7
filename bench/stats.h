// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstddef>
#include <utility>
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

// How far a p99 moves by chance alone: its 5th and 95th percentile over 1000
// resamples (with replacement) of the same samples; NaN under 100 samples.
[[nodiscard]] std::pair<double, double> p99Spread(const std::vector<double> &samples);
// `a`'s percentile p less `b`'s, beyond chance: the 5th percentile of that
// difference over 1000 pairs of resamples, one of each. It is above an
// allowance only where `a` is worse by more than the chance in both can make
// it; a p99 of a few hundred samples moves by a millisecond by chance alone.
// NaN under 100 samples in either.
[[nodiscard]] double worseBeyondChance(const std::vector<double> &a, const std::vector<double> &b, double p);

// "0.123", or "–" where there is no figure.
[[nodiscard]] QString number(double value, int decimals = 3);

// A row of a markdown table; a header row also writes the line under it,
// which sets every column but the first to the right.
void markdownRow(QTextStream &out, const QStringList &cells, bool header = false);

} // namespace bench
