// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/report.h"

#include "bench/stats.h"

#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>

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
double worstRun(const Runs &runs, std::size_t kind, double Summary::*figure, const Keep &keep)
{
    double worst = std::nan("");
    for (const auto &run : runs) {
        const double v = summarize(values({run}, kind, error, keep)).*figure;
        worst = std::isnan(worst) || std::isnan(v) ? v : std::max(worst, v);
    }
    return worst;
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

// One kind's figure for a target, and what it left out as the machine's doing.
struct Measured {
    double value;
    std::optional<LeftOut> leftOut = {};

    [[nodiscard]] bool meets(double limit) const
    {
        const bool fewLeftOut = !leftOut || (leftOut->of > 0 && leftOut->unexplained == 0
                                             && double(leftOut->machines) <= leftOutLimit * double(leftOut->of));
        return !std::isnan(value) && value <= limit && fewLeftOut;
    }
    [[nodiscard]] QString leftOutText() const
    {
        if (!leftOut)
            return {};
        const double percent = leftOut->of > 0 ? 100.0 * double(leftOut->machines) / double(leftOut->of) : 0.0;
        QString text = QStringLiteral("; left out %1 of %2 (%3 %)").arg(leftOut->machines).arg(leftOut->of).arg(percent, 0, 'f', 1);
        return leftOut->unexplained > 0 ? text + QStringLiteral(", %1 unexplained").arg(leftOut->unexplained) : text;
    }
};

struct Target {
    QString what;
    double limit;
    std::function<Measured(std::size_t kind)> of;
    bool ofPlainQt = true; // false where plain Qt is what ours is judged against
};

// The worst round's max of the idle onsets `keep` takes, the machine's doing left out.
Measured idleMax(const Runs &idle, std::size_t k, const Keep &keep)
{
    const Keep judged = [&](std::size_t i, const OnsetRow &row) { return keep(i, row) && notMachines(i, row); };
    return {worstRun(idle, k, &Summary::max, judged), leftOutOf(idle, k, keep)};
}

double p99(const std::vector<double> &samples)
{
    return summarize(samples).p99;
}

// The closures capture only `r`, which outlives them.
std::vector<Target> targetsOf(const BenchResults &r)
{
    const auto stepToPixels = [&r](double p) {
        return [&r, p](std::size_t k) {
            return Measured{worseBeyondChance(values(r.idleRounds, k, toPixels), values(r.idleRounds, plain, toPixels), p)};
        };
    };
    std::vector<Target> targets{
        {QStringLiteral("idle onset p99 ≤ 0.2 ms, pooled and in every round"), 0.2,
         [&r](std::size_t k) {
             const Runs &idle = r.idleRounds;
             return Measured{std::max(p99(values(idle, k, error, notMachines)), worstRun(idle, k, &Summary::p99, notMachines)),
                             leftOutOf(idle, k, every)};
         }},
        {QStringLiteral("idle onset max ≤ 2 ms in every round"), 2,
         [&r](std::size_t k) { return idleMax(r.idleRounds, k, every); }},
        {QStringLiteral("first series max ≤ 2 ms in every round"), 2,
         [&r](std::size_t k) { return idleMax(r.idleRounds, k, firstSeries); }},
        // Under 100 clicks their p99 is their maximum.
        {QStringLiteral("late clicks: half cycle error p99 ≤ 0.5 ms"), 0.5,
         [&r](std::size_t k) {
             const Summary s = summarize(values({r.clicks}, k, error, notMachines, &ChildResult::clicks));
             return Measured{s.n >= 50 ? (s.hasP99() ? s.p99 : s.max) : std::nan(""),
                             leftOutOf({r.clicks}, k, every, &ChildResult::clicks)};
         }},
        {QStringLiteral("60 ms hold-ups at 2000: drift of the other steps ≤ 1 ms"), 1,
         [&r](std::size_t k) {
             const Keep others = [](std::size_t, const OnsetRow &row) { return row.cause != Cause::HoldUp; };
             const Of signedError = [](const OnsetRow &row) { return row.errorMs; };
             return Measured{std::abs(summarize(values({r.holdUps}, k, signedError, others)).mean)};
         }},
        {QStringLiteral("onset error at the pixels p99 ≤ 4 ms"), 4,
         [&r](std::size_t k) { return Measured{p99(values(r.idleRounds, k, pixelError))}; }},
        {QStringLiteral("step to pixels p50, less plain Qt's beyond chance, ≤ 0.1 ms"), 0.1, stepToPixels(0.5), false},
        {QStringLiteral("step to pixels p99, less plain Qt's beyond chance, ≤ 0.1 ms"), 0.1, stepToPixels(0.99), false},
        {QStringLiteral("handler to repaint on a hide p99 ≤ 0.5 ms"), 0.5,
         [&r](std::size_t k) { return Measured{p99(values(r.idleRounds, k, toRepaint, hides))}; }},
    };
    for (const auto &[pace, run] : {std::pair{2000, &r.cpu2000}, std::pair{300, &r.cpu300}, std::pair{20, &r.cpu20}}) {
        targets.push_back({QStringLiteral("CPU at %1 < 1 % of one core").arg(pace), 1,
                           [run = run](std::size_t k) { return Measured{(*run)[k].cpu.overallPercent}; }});
    }
    targets.push_back({QStringLiteral("peak memory at 2000 < 60 MB"), 60,
                       [&r](std::size_t k) { return Measured{r.cpu2000[k].cpu.maxRssMb}; }});
    return targets;
}

// A table with a column for each timer kind.
class KindTable : public Table {
public:
    KindTable(QTextStream &out, const QString &heading, const QString &first)
        : Table((out << "\n### " << heading << "\n\n"), first, labels())
    {
    }
    // A row a figure of the samples, each with its count; a p99 only from 100.
    void figures(const QString &what, std::initializer_list<std::pair<const char *, double Summary::*>> figures,
                 const std::function<std::vector<double>(std::size_t)> &samples)
    {
        for (const auto &[name, figure] : figures) {
            row(what + QStringLiteral(", ") + QString::fromLatin1(name), [&, figure = figure](std::size_t k) {
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

const std::initializer_list<std::pair<const char *, double Summary::*>> p50p99{{"p50", &Summary::p50}, {"p99", &Summary::p99}};
const std::initializer_list<std::pair<const char *, double Summary::*>> p50p99max{
    {"p50", &Summary::p50}, {"p99", &Summary::p99}, {"max", &Summary::max}};

void figureTable(QTextStream &out, const BenchResults &r)
{
    const Runs &idle = r.idleRounds;
    KindTable t(out, QStringLiteral("Figures: idle rounds unless stated, every onset in"), QStringLiteral("figure, ms"));
    t.figures(QStringLiteral("onset at the handler"), p50p99max, [&](std::size_t k) { return values(idle, k, error); });
    t.figures(QStringLiteral("late \"versnel\": error of the half cycle after it"), p50p99max,
              [&](std::size_t k) { return values({r.clicks}, k, error, every, &ChildResult::clicks); });
    t.figures(QStringLiteral("step to pixels (the X server's DAMAGE)"), p50p99,
              [&](std::size_t k) { return values(idle, k, toPixels); });
    t.row(QStringLiteral("… p99 less plain Qt's"), [&](std::size_t k) {
        return k == plain ? QStringLiteral("–")
                          : number(summarize(values(idle, k, toPixels)).p99 - summarize(values(idle, plain, toPixels)).p99);
    });
    t.figures(QStringLiteral("onset at the pixels"), p50p99, [&](std::size_t k) { return values(idle, k, pixelError); });
    t.figures(QStringLiteral("handler to repaint, hide"), p50p99,
              [&](std::size_t k) { return values(idle, k, toRepaint, hides); });

    KindTable causes(out, QStringLiteral("Onsets more than %1 ms late, by cause").arg(lateMs), QStringLiteral("cause"));
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
    bool allMet = true;
    KindTable t(out, QStringLiteral("Targets: ours judged, the machine's doing left out; plain Qt beside them"),
                QStringLiteral("target"));
    for (const Target &target : targetsOf(r)) {
        t.row(target.what, [&](std::size_t k) {
            if (k == plain && !target.ofPlainQt)
                return QStringLiteral("–");
            const Measured m = target.of(k);
            if (k == plain)
                return number(m.value);
            allMet = allMet && m.meets(target.limit);
            return number(m.value) + (m.meets(target.limit) ? QStringLiteral(" met") : QStringLiteral(" **missed**"))
                   + m.leftOutText();
        });
    }
    const double startup = percentile(r.startupsMs, 0.5);
    const bool startupMet = startup < 300;
    out << "\nStart-up to the settings window on screen, target < 300 ms: " << number(startup, 1) << " ms (median of "
        << r.startupsMs.size() << "), " << (startupMet ? "met" : "**missed**") << ".\n";
    return allMet && startupMet;
}

} // namespace bench
