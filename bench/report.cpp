// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/report.h"

#include "bench/stats.h"

#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>

namespace bench {

namespace {

using Runs = std::vector<std::vector<ChildResult>>; // by round, then by kind
using Of = std::function<double(const OnsetRow &)>;
using Keep = std::function<bool(std::size_t index, const OnsetRow &)>;
using Rows = std::vector<OnsetRow> ChildResult::*;

constexpr std::size_t firstSeriesOnsets = 21; // its steps; the pause end after them opens the next
constexpr double leftOutLimit = 0.03;         // more left out, a figure could hide a fault of ours
constexpr std::size_t plain = timerKinds.size() - 1;
static_assert(timerKinds[plain] == TimerKind::PlainQt);

const Keep every = [](std::size_t, const OnsetRow &) { return true; };
const Keep notMachines = [](std::size_t, const OnsetRow &row) { return !isMachines(row.cause); };
const Keep firstSeries = [](std::size_t i, const OnsetRow &) { return i < firstSeriesOnsets; };
const Keep hides = [](std::size_t, const OnsetRow &row) { return row.kind == Onset::Kind::Hide; };
const Of error = [](const OnsetRow &row) { return std::abs(row.errorMs); };
const Of toPixels = [](const OnsetRow &row) { return row.pixelErrorMs - row.errorMs; };
const Of pixelError = [](const OnsetRow &row) { return std::abs(row.pixelErrorMs); };
const Of toRepaint = [](const OnsetRow &row) { return row.queueMs; };

std::vector<double> values(const Runs &runs, std::size_t kind, const Of &of, const Keep &keep = every,
                           Rows rows = &ChildResult::onsets)
{
    std::vector<double> out;
    for (const auto &run : runs) {
        const std::vector<OnsetRow> &all = run[kind].*rows;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (keep(i, all[i]) && !std::isnan(of(all[i])))
                out.push_back(of(all[i]));
        }
    }
    return out;
}

// The worst of the runs for one figure of the onset errors.
double worstRun(const Runs &runs, std::size_t kind, double Summary::*figure, const Keep &keep = every)
{
    double worst = std::nan("");
    for (const auto &run : runs) {
        const double v = summarize(values({run}, kind, error, keep)).*figure;
        worst = std::isnan(worst) || std::isnan(v) ? v : std::max(worst, v);
    }
    return worst;
}

// The mean error of the steps the hold-ups did not lie over.
double drift(const std::vector<ChildResult> &run, std::size_t kind)
{
    const auto signedError = [](const OnsetRow &row) { return row.errorMs; };
    return std::abs(summarize(values({run}, kind, signedError, [](std::size_t, const OnsetRow &row) {
                                  return row.cause != Cause::HoldUp;
                              })).mean);
}

// The onsets a target leaves out as the machine's doing, those whose cause
// the bench could not find, and all it judges.
struct LeftOut {
    std::size_t machines = 0;
    std::size_t unexplained = 0;
    std::size_t of = 0;
};

LeftOut leftOutOf(const Runs &runs, std::size_t kind, const Keep &keep, Rows rows = &ChildResult::onsets)
{
    LeftOut out;
    for (const auto &run : runs) {
        const std::vector<OnsetRow> &all = run[kind].*rows;
        for (std::size_t i = 0; i < all.size(); ++i) {
            out.of += keep(i, all[i]) ? 1 : 0;
            out.machines += keep(i, all[i]) && isMachines(all[i].cause) ? 1 : 0;
            out.unexplained += keep(i, all[i]) && all[i].cause == Cause::Unexplained ? 1 : 0;
        }
    }
    return out;
}

struct Target {
    QString what;
    double value;
    double limit;
    std::optional<LeftOut> leftOut;

    [[nodiscard]] bool isMet() const
    {
        const bool fewLeftOut = !leftOut || (leftOut->of > 0 && leftOut->unexplained == 0
                                             && double(leftOut->machines) <= leftOutLimit * double(leftOut->of));
        return !std::isnan(value) && value <= limit && fewLeftOut;
    }
    [[nodiscard]] QString share() const
    {
        if (!leftOut)
            return QStringLiteral("–");
        const double percent = leftOut->of > 0 ? 100.0 * double(leftOut->machines) / double(leftOut->of) : 0.0;
        QString text = QStringLiteral("%1 of %2 (%3 %)").arg(leftOut->machines).arg(leftOut->of).arg(percent, 0, 'f', 1);
        if (leftOut->unexplained > 0)
            text += QStringLiteral("; %1 unexplained").arg(leftOut->unexplained);
        return text;
    }
};

std::vector<Target> targetsOf(const BenchResults &r, std::size_t k)
{
    const Runs &idle = r.idleRounds;
    const QString who = QString::fromLatin1(kindLabels[k]) + QStringLiteral(": ");
    const LeftOut idleLeftOut = leftOutOf(idle, k, every);
    const Summary idleOurs = summarize(values(idle, k, error, notMachines));
    const Summary clicks = summarize(values({r.clicks}, k, error, notMachines, &ChildResult::clicks));
    const Summary atPixels = summarize(values(idle, k, pixelError));
    const std::vector<double> ours = values(idle, k, toPixels);
    const std::vector<double> plainQt = values(idle, plain, toPixels);
    const Summary hideStage = summarize(values(idle, k, toRepaint, hides));
    const auto cpu = [&](const std::vector<ChildResult> &run) { return run[k].cpu.overallPercent; };
    return {
        {who + QStringLiteral("idle onset p99 ≤ 0.2 ms, pooled (n %1) and in every round").arg(idleOurs.n),
         std::max(idleOurs.p99, worstRun(idle, k, &Summary::p99, notMachines)), 0.2, idleLeftOut},
        {who + QStringLiteral("idle onset max ≤ 2 ms in every round"), worstRun(idle, k, &Summary::max, notMachines),
         2, idleLeftOut},
        {who + QStringLiteral("first series max ≤ 2 ms in every round"),
         worstRun(idle, k, &Summary::max, [](std::size_t i, const OnsetRow &row) {
             return firstSeries(i, row) && notMachines(i, row);
         }), 2, leftOutOf(idle, k, firstSeries)},
        // Under 100 clicks their p99 is their maximum.
        {who + QStringLiteral("late clicks: half cycle error p99 ≤ 0.5 ms (n %1)").arg(clicks.n),
         clicks.n >= 50 ? (clicks.hasP99() ? clicks.p99 : clicks.max) : std::nan(""), 0.5,
         leftOutOf({r.clicks}, k, every, &ChildResult::clicks)},
        {who + QStringLiteral("hold-ups at 2000: drift ≤ 1 ms"), drift(r.holdUps, k), 1, {}},
        {who + QStringLiteral("onset error at the pixels p99 ≤ 4 ms (n %1)").arg(atPixels.n), atPixels.p99, 4, {}},
        {who + QStringLiteral("step to pixels p50, ours less plain Qt's beyond chance, ≤ 0.1 ms (n %1)").arg(ours.size()),
         worseBeyondChance(ours, plainQt, 0.5), 0.1, {}},
        {who + QStringLiteral("step to pixels p99, ours less plain Qt's beyond chance, ≤ 0.1 ms (n %1)").arg(ours.size()),
         worseBeyondChance(ours, plainQt, 0.99), 0.1, {}},
        {who + QStringLiteral("handler to repaint on a hide p99 ≤ 0.5 ms (n %1)").arg(hideStage.n), hideStage.p99,
         0.5, {}},
        {who + QStringLiteral("CPU at 2000, at 300 and at 20 < 1 % of one core"),
         std::max({cpu(r.cpu2000), cpu(r.cpu300), cpu(r.cpu20)}), 1, {}},
        {who + QStringLiteral("peak memory < 60 MB"), r.cpu2000[k].cpu.maxRssMb, 60, {}},
    };
}

// A table with a column for each timer kind.
class KindTable : public Table {
public:
    KindTable(QTextStream &out, const QString &heading)
        : Table((out << "\n### " << heading << "\n\n"), QStringLiteral("figure (ms unless stated)"), labels())
    {
    }
    // A row a figure of the samples, each with its count; a p99 only from 100.
    void figures(const QString &what, std::initializer_list<const char *> names,
                 const std::function<std::vector<double>(std::size_t)> &samples)
    {
        for (const char *name : names) {
            const auto figure = name == std::string_view("p50") ? &Summary::p50
                                : name == std::string_view("p99") ? &Summary::p99 : &Summary::max;
            row(what + QStringLiteral(", ") + QString::fromLatin1(name), [&](std::size_t k) {
                const Summary s = summarize(samples(k));
                return number(s.*figure) + QStringLiteral(" (n %1)").arg(s.n);
            });
        }
    }

private:
    static QStringList labels()
    {
        QStringList out;
        for (const char *label : kindLabels)
            out << QString::fromLatin1(label);
        return out;
    }
};

void figureTable(QTextStream &out, const BenchResults &r)
{
    const Runs &idle = r.idleRounds;
    KindTable t(out, QStringLiteral("Figures: idle rounds unless stated"));
    t.figures(QStringLiteral("onset at the handler"), {"p50", "p99", "max"},
              [&](std::size_t k) { return values(idle, k, error); });
    t.row(QStringLiteral("… worst round's p99 / max, the machine's doing left out"), [&](std::size_t k) {
        return number(worstRun(idle, k, &Summary::p99, notMachines)) + QStringLiteral(" / ")
               + number(worstRun(idle, k, &Summary::max, notMachines));
    });
    t.row(QStringLiteral("… the machine's doing (count)"),
          [&](std::size_t k) { return QString::number(leftOutOf(idle, k, every).machines); });
    t.row(QStringLiteral("… first series, worst round's max"),
          [&](std::size_t k) { return number(worstRun(idle, k, &Summary::max, firstSeries)); });
    t.figures(QStringLiteral("late \"versnel\": error of the half cycle after it"), {"p50", "p99", "max"},
              [&](std::size_t k) { return values({r.clicks}, k, error, every, &ChildResult::clicks); });
    t.row(QStringLiteral("60 ms hold-ups at 2000: drift"), [&](std::size_t k) { return number(drift(r.holdUps, k)); });
    t.figures(QStringLiteral("step to pixels (the X server's DAMAGE)"), {"p50", "p99"},
              [&](std::size_t k) { return values(idle, k, toPixels); });
    t.row(QStringLiteral("… p99 less plain Qt's; beyond chance"), [&](std::size_t k) {
        const auto ours = values(idle, k, toPixels);
        const auto plainQt = values(idle, plain, toPixels);
        return k == plain ? QStringLiteral("–")
                          : number(summarize(ours).p99 - summarize(plainQt).p99) + QStringLiteral("; ")
                                + number(worseBeyondChance(ours, plainQt, 0.99));
    });
    t.figures(QStringLiteral("onset at the pixels"), {"p50", "p99"}, [&](std::size_t k) { return values(idle, k, pixelError); });
    t.figures(QStringLiteral("handler to repaint, hide"), {"p50", "p99"},
              [&](std::size_t k) { return values(idle, k, toRepaint, hides); });
    for (const auto &[pace, run] : {std::pair{2000, &r.cpu2000}, std::pair{300, &r.cpu300}, std::pair{20, &r.cpu20}})
        t.row(QStringLiteral("CPU at %1, % of one core").arg(pace),
              [&, run = run](std::size_t k) { return number((*run)[k].cpu.overallPercent); });
    t.row(QStringLiteral("peak memory at 2000, MB"), [&](std::size_t k) { return number(r.cpu2000[k].cpu.maxRssMb, 1); });

    KindTable causes(out, QStringLiteral("Onsets more than %1 ms late, by cause").arg(lateMs));
    Runs runs = idle;
    runs.push_back(r.clicks);
    runs.push_back(r.holdUps);
    for (int c = int(Cause::MachineWokeLate); c <= int(Cause::Unexplained); ++c) {
        causes.row(QString::fromLatin1(labelOf(Cause(c))), [&](std::size_t k) {
            return QString::number(values(runs, k, error, [c](std::size_t, const OnsetRow &row) {
                return row.cause == Cause(c) && row.errorMs > lateMs;
            }).size());
        });
    }
}

} // namespace

bool writeReport(QTextStream &out, const BenchResults &r)
{
    figureTable(out, r);
    const double startup = percentile(r.startupsMs, 0.5);
    out << "\nStart-up to the settings window on screen: " << number(startup, 1) << " ms (median of "
        << r.startupsMs.size() << ").\n\n### Targets\n\n";
    std::vector<Target> targets;
    for (std::size_t k = 0; k < plain; ++k) {
        const auto ofKind = targetsOf(r, k);
        targets.insert(targets.end(), ofKind.begin(), ofKind.end());
    }
    targets.push_back({QStringLiteral("start-up < 300 ms"), startup, 300, {}});
    bool allMet = true;
    markdownRow(out, {QStringLiteral("target"), QStringLiteral("measured"), QStringLiteral("limit"),
                      QStringLiteral("the machine's doing, left out"), QStringLiteral("met or missed")}, true);
    for (const Target &t : targets) {
        allMet = allMet && t.isMet();
        markdownRow(out, {t.what, number(t.value), number(t.limit), t.share(),
                          t.isMet() ? QStringLiteral("met") : QStringLiteral("**missed**")});
    }
    return allMet;
}

} // namespace bench
