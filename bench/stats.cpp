// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace bench {

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least p of the samples at or below it.
    const auto rank = static_cast<std::size_t>(std::ceil(p * double(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

Summary summarize(std::vector<double> values)
{
    Summary s;
    s.n = values.size();
    if (values.empty()) {
        s.p50 = s.p99 = s.max = s.mean = std::nan("");
        return s;
    }
    s.p50 = s.n >= 2 ? percentile(values, 0.5) : std::nan("");
    s.p99 = s.hasP99() ? percentile(values, 0.99) : std::nan("");
    s.max = *std::max_element(values.begin(), values.end());
    s.mean = std::accumulate(values.begin(), values.end(), 0.0) / double(s.n);
    return s;
}

QString number(double value, int decimals)
{
    return std::isnan(value) ? QStringLiteral("–") : QString::number(value, 'f', decimals);
}

} // namespace bench
