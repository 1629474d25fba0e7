// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

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

namespace {

// The same samples always give the same figures.
constexpr std::mt19937::result_type resampleSeed = 20261210;

// 1000 resamples (with replacement) of the same samples, each's percentile p.
std::vector<double> resampled(const std::vector<double> &samples, double p, std::mt19937 &random)
{
    std::uniform_int_distribution<std::size_t> pick(0, samples.size() - 1);
    std::vector<double> figures;
    std::vector<double> resample(samples.size());
    for (int i = 0; i < 1000; ++i) {
        for (double &v : resample)
            v = samples[pick(random)];
        figures.push_back(percentile(resample, p));
    }
    return figures;
}

} // namespace

double worseBeyondChance(const std::vector<double> &a, const std::vector<double> &b, double p)
{
    if (a.size() < 100 || b.size() < 100)
        return std::nan("");
    std::mt19937 random(resampleSeed);
    const std::vector<double> aFigures = resampled(a, p, random);
    const std::vector<double> bFigures = resampled(b, p, random);
    std::vector<double> differences;
    for (std::size_t i = 0; i < aFigures.size(); ++i)
        differences.push_back(aFigures[i] - bFigures[i]);
    return percentile(differences, 0.05);
}

QString number(double value, int decimals)
{
    return std::isnan(value) ? QStringLiteral("–") : QString::number(value, 'f', decimals);
}

void markdownRow(QTextStream &out, const QStringList &cells, bool header)
{
    out << "| " << cells.join(QStringLiteral(" | ")) << " |\n";
    if (header)
        out << "|---|" << QStringLiteral("---:|").repeated(cells.size() - 1) << '\n';
}

} // namespace bench
