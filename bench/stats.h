// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstddef>
#include <functional>
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

// A markdown table with a first column that names each row, then one a column
// named in its header.
class Table {
public:
    Table(QTextStream &out, const QString &first, const QStringList &columns)
        : m_out(out)
        , m_columns(std::size_t(columns.size()))
    {
        markdownRow(m_out, QStringList{first} + columns, true);
    }
    void row(const QString &what, const std::function<QString(std::size_t column)> &cell)
    {
        QStringList cells{what};
        for (std::size_t c = 0; c < m_columns; ++c)
            cells << cell(c);
        markdownRow(m_out, cells);
    }

private:
    QTextStream &m_out;
    std::size_t m_columns;
};

} // namespace bench
