// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/report.h"

#include "bench/stats.h"
#include "platform/early_wake_alarm.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>

namespace bench {

namespace {

using Runs = std::vector<std::vector<ChildResult>>; // by round, then by kind
using Of = std::function<double(const OnsetRow &)>;
using Keep = std::function<bool(std::size_t index, const OnsetRow &)>;

constexpr std::size_t firstSeriesOnsets = 21; // its steps; the pause end after them opens the next
constexpr double leftOutLimit = 0.03;         // more left out, a figure could hide a fault of ours
const std::size_t plain = std::size(timerKinds) - 1;
static_assert(timerKinds[std::size(timerKinds) - 1] == TimerKind::PlainQt);

const Keep every = [](std::size_t, const OnsetRow &) { return true; };
const Keep notMachines = [](std::size_t, const OnsetRow &row) { return !isMachines(row.cause); };
const Keep firstSeries = [](std::size_t i, const OnsetRow &) { return i < firstSeriesOnsets; };
const Keep notHeld = [](std::size_t, const OnsetRow &row) { return row.cause != Cause::HoldUp; };
const Of error = [](const OnsetRow &row) { return std::abs(row.errorMs); };
const Of toPixels = [](const OnsetRow &row) { return row.pixelErrorMs - row.errorMs; };
const Of pixelError = [](const OnsetRow &row) { return std::abs(row.pixelErrorMs); };

Keep both(const Keep &a, const Keep &b)
{
    return [a, b](std::size_t i, const OnsetRow &row) { return a(i, row) && b(i, row); };
}

Keep ofKind(std::vector<Onset::Kind> kinds)
{
    return [kinds](std::size_t, const OnsetRow &row) {
        return std::find(kinds.begin(), kinds.end(), row.kind) != kinds.end();
    };
}

std::vector<double> values(const Runs &runs, std::size_t kind, const Of &of, const Keep &keep = every)
{
    std::vector<double> out;
    for (const auto &run : runs) {
        const auto &onsets = run[kind].onsets;
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            if (keep(i, onsets[i]) && !std::isnan(of(onsets[i])))
                out.push_back(of(onsets[i]));
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
        if (std::isnan(worst) || std::isnan(v) || v > worst)
            worst = v;
    }
    return worst;
}

double drift(const std::vector<ChildResult> &run, std::size_t kind)
{
    return std::abs(summarize(values({run}, kind, [](const OnsetRow &r) { return r.errorMs; }, notHeld)).mean);
}

double cpuPerStepMs(const ChildResult &child, double CpuFigures::*ms)
{
    return child.cpu.flashingSteps > 0 ? child.cpu.*ms / child.cpu.flashingSteps : std::nan("");
}

QString counted(const Summary &s, double Summary::*figure)
{
    if (figure == &Summary::p99 && !s.hasP99())
        return QStringLiteral("– (n %1)").arg(s.n);
    return number(s.*figure) + QStringLiteral(" (n %1)").arg(s.n);
}

// The onsets a target leaves out as the machine's doing, those whose cause
// the bench could not find, and all it judges.
struct LeftOut {
    std::size_t machines = 0;
    std::size_t unexplained = 0;
    std::size_t of = 0;
};

LeftOut leftOutOf(const Runs &runs, std::size_t kind, const Keep &keep)
{
    LeftOut out;
    for (const auto &run : runs) {
        const auto &onsets = run[kind].onsets;
        for (std::size_t i = 0; i < onsets.size(); ++i) {
            if (!keep(i, onsets[i]))
                continue;
            ++out.of;
            out.machines += isMachines(onsets[i].cause) ? 1 : 0;
            out.unexplained += onsets[i].cause == Cause::Unexplained ? 1 : 0;
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
    const QString who = QString::fromLatin1(labelOf(timerKinds[k])) + QStringLiteral(": ");
    const LeftOut idleLeftOut = leftOutOf(idle, k, every);
    const Summary idleOurs = summarize(values(idle, k, error, notMachines));
    const Summary clicks = summarize(r.clicks[k].clicksNotMachines);
    const LeftOut clicksLeftOut{r.clicks[k].clicks.size() - clicks.n, r.clicks[k].clicksUnexplained,
                                r.clicks[k].clicks.size()};
    const Summary atPixels = summarize(values(idle, k, pixelError));
    const std::vector<double> ours = values(idle, k, toPixels);
    const std::vector<double> plainQt = values(idle, plain, toPixels);
    const Summary hideStage = summarize(values(idle, k, [](const OnsetRow &row) { return row.queueMs; },
                                               ofKind({Onset::Kind::Hide})));
    const auto cpu = [&](const std::vector<ChildResult> &run) { return run[k].cpu.overallPercent; };
    return {
        {who + QStringLiteral("idle onset p99 ≤ 0.2 ms, pooled (n %1) and in every round").arg(idleOurs.n),
         std::max(idleOurs.p99, worstRun(idle, k, &Summary::p99, notMachines)), 0.2, idleLeftOut},
        {who + QStringLiteral("idle onset max ≤ 2 ms in every round"), worstRun(idle, k, &Summary::max, notMachines),
         2, idleLeftOut},
        {who + QStringLiteral("first series max ≤ 2 ms in every round"),
         worstRun(idle, k, &Summary::max, both(firstSeries, notMachines)), 2, leftOutOf(idle, k, firstSeries)},
        // Under 100 clicks their p99 is their maximum.
        {who + QStringLiteral("late clicks: half cycle error p99 ≤ 0.5 ms (n %1)").arg(clicks.n),
         clicks.n >= 50 ? (clicks.hasP99() ? clicks.p99 : clicks.max) : std::nan(""), 0.5, clicksLeftOut},
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
class KindTable {
public:
    KindTable(QTextStream &out, const QString &heading)
        : m_out(out)
    {
        m_out << "\n### " << heading << "\n\n";
        QStringList header{QStringLiteral("figure (ms unless stated)")};
        for (const TimerKind kind : timerKinds)
            header << QString::fromLatin1(labelOf(kind));
        markdownRow(m_out, header, true);
    }

    void row(const QString &what, const std::function<QString(std::size_t kind)> &cell)
    {
        QStringList cells{what};
        for (std::size_t k = 0; k < std::size(timerKinds); ++k)
            cells << cell(k);
        markdownRow(m_out, cells);
    }
    void summary(const QString &what, const std::function<std::vector<double>(std::size_t)> &samples,
                 double Summary::*figure)
    {
        row(what, [&](std::size_t k) { return counted(summarize(samples(k)), figure); });
    }
    // The p50 and the p99 of the idle rounds' onsets.
    void idle(const QString &what, const BenchResults &r, const Of &of, const Keep &keep = every)
    {
        for (const auto &[name, figure] : {std::pair{"p50", &Summary::p50}, std::pair{"p99", &Summary::p99}})
            summary(what + QStringLiteral(", ") + QString::fromLatin1(name),
                    [&](std::size_t k) { return values(r.idleRounds, k, of, keep); }, figure);
    }

private:
    QTextStream &m_out;
};

void onsetTable(QTextStream &out, const BenchResults &r)
{
    const Runs &idle = r.idleRounds;
    KindTable t(out, QStringLiteral("Onsets: the handler against the nominal timeline"));
    t.idle(QStringLiteral("idle"), r, error);
    t.summary(QStringLiteral("idle, max"), [&](std::size_t k) { return values(idle, k, error); }, &Summary::max);
    for (const auto &[name, figure] : {std::pair{"p99", &Summary::p99}, std::pair{"max", &Summary::max}})
        t.row(QStringLiteral("idle, worst round's %1, the machine's doing left out").arg(QString::fromLatin1(name)),
              [&](std::size_t k) { return number(worstRun(idle, k, figure, notMachines)); });
    t.row(QStringLiteral("idle, the machine's doing (count)"),
          [&](std::size_t k) { return QString::number(leftOutOf(idle, k, every).machines); });
    t.row(QStringLiteral("first series, worst round's max"),
          [&](std::size_t k) { return number(worstRun(idle, k, &Summary::max, firstSeries)); });
    t.summary(QStringLiteral("all cores busy, max"), [&](std::size_t k) { return values({r.busy}, k, error); },
              &Summary::max);
    for (const auto &[name, figure] :
         {std::pair{"p50", &Summary::p50}, std::pair{"p99", &Summary::p99}, std::pair{"max", &Summary::max}})
        t.summary(QStringLiteral("late \"versnel\": error of the half cycle after it, %1").arg(QString::fromLatin1(name)),
                  [&](std::size_t k) { return r.clicks[k].clicks; }, figure);
    t.row(QStringLiteral("60 ms hold-ups at 2000: drift"), [&](std::size_t k) { return number(drift(r.holdUps, k)); });
    t.summary(QStringLiteral("60 ms hold-ups at 2000: the held steps, max"), [&](std::size_t k) {
        return values({r.holdUps}, k, error, [](std::size_t, const OnsetRow &row) { return row.cause == Cause::HoldUp; });
    }, &Summary::max);
}

void pixelTable(QTextStream &out, const BenchResults &r)
{
    const Runs &idle = r.idleRounds;
    KindTable t(out, QStringLiteral("Pixels: the X server's DAMAGE, idle rounds"));
    t.idle(QStringLiteral("step to pixels"), r, toPixels);
    t.row(QStringLiteral("… p99 by chance alone, 5th to 95th percentile"), [&](std::size_t k) {
        const auto [low, high] = p99Spread(values(idle, k, toPixels));
        return number(low) + QStringLiteral(" to ") + number(high);
    });
    t.row(QStringLiteral("… p99 less plain Qt's; beyond chance"), [&](std::size_t k) {
        if (k == plain)
            return QStringLiteral("–");
        const auto ours = values(idle, k, toPixels);
        const auto plainQt = values(idle, plain, toPixels);
        return number(summarize(ours).p99 - summarize(plainQt).p99) + QStringLiteral("; ")
               + number(worseBeyondChance(ours, plainQt, 0.99));
    });
    t.idle(QStringLiteral("onset error at the pixels"), r, pixelError);
    const std::pair<const char *, double OnsetRow::*> stages[] = {{"handler to repaint", &OnsetRow::queueMs},
                                                                  {"repaint and flush", &OnsetRow::paintMs},
                                                                  {"flush to DAMAGE", &OnsetRow::serverMs}};
    const std::pair<const char *, Keep> changes[] = {
        {"show", ofKind({Onset::Kind::Show})},
        {"hide", ofKind({Onset::Kind::Hide})},
        {"picture on or off", ofKind({Onset::Kind::PauseStart, Onset::Kind::PauseEnd})}};
    for (const auto &[stage, field] : stages) {
        for (const auto &[change, keep] : changes)
            t.idle(QStringLiteral("%1, %2").arg(QString::fromLatin1(stage), QString::fromLatin1(change)), r,
                   [field = field](const OnsetRow &row) { return row.*field; }, keep);
    }
}

void causeTable(QTextStream &out, const BenchResults &r)
{
    KindTable t(out, QStringLiteral("Onsets more than %1 ms late, by cause, in all runs but the busy one").arg(lateMs));
    for (int c = int(Cause::MachineWokeLate); c <= int(Cause::Unexplained); ++c) {
        t.row(QString::fromLatin1(labelOf(Cause(c))), [&](std::size_t k) {
            int n = 0;
            std::map<QString, int> with;
            Runs runs = r.idleRounds;
            runs.push_back(r.clicks);
            runs.push_back(r.holdUps);
            for (const auto &run : runs) {
                for (const OnsetRow &row : run[k].onsets) {
                    if (row.cause != Cause(c) || row.errorMs <= lateMs)
                        continue;
                    ++n;
                    if (row.busyWith != 0)
                        ++with[eventName(row.busyWith)];
                }
            }
            QStringList parts;
            for (const auto &[name, count] : with)
                parts << QStringLiteral("%1 %2").arg(name).arg(count);
            return QString::number(n) + (parts.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(parts.join(u", ")));
        });
    }
}

void resourceTable(QTextStream &out, const BenchResults &r)
{
    // What the busy finish may add to a step at 20: the whole reserve, saved
    // during the pause, and what the series' 210 ms add to it, over 21 steps.
    const double busyFinishPerStepMs =
        (std::chrono::duration<double, std::milli>(platform::BusyBudget::limit).count()
         + 210.0 * platform::BusyBudget::perMille / 1000.0) / 21.0;
    KindTable t(out, QStringLiteral("Resources"));
    t.row(QStringLiteral("CPU per step at 20 (every tick a step), pauses left out"), [&](std::size_t k) {
        return number(cpuPerStepMs(r.cpu20[k], &CpuFigures::flashingCpuMs), 4)
               + QStringLiteral(" (n %1)").arg(r.cpu20[k].cpu.flashingSteps);
    });
    const auto ours = [&](const std::function<QString(std::size_t)> &cell) {
        return [&, cell](std::size_t k) { return k == plain ? QStringLiteral("–") : cell(k); };
    };
    t.row(QStringLiteral("… ours less plain Qt's; the busy finish may add up to %1").arg(number(busyFinishPerStepMs)),
          ours([&](std::size_t k) {
              return number(cpuPerStepMs(r.cpu20[k], &CpuFigures::flashingCpuMs)
                                - cpuPerStepMs(r.cpu20[plain], &CpuFigures::flashingCpuMs), 4);
          }));
    t.row(QStringLiteral("… of which busy finish (the whole run's, a step)"),
          ours([&](std::size_t k) { return number(cpuPerStepMs(r.cpu20[k], &CpuFigures::spunMs), 4); }));
    t.row(QStringLiteral("… of which the alarms' own short sleeps (the whole run's, a step)"),
          ours([&](std::size_t k) { return number(cpuPerStepMs(r.cpu20[k], &CpuFigures::sleptCpuMs), 4); }));
    for (const auto &[pace, run] : {std::pair{2000, &r.cpu2000}, std::pair{300, &r.cpu300}, std::pair{20, &r.cpu20}})
        t.row(QStringLiteral("CPU at %1, % of one core").arg(pace),
              [&, run = run](std::size_t k) { return number((*run)[k].cpu.overallPercent); });
    t.row(QStringLiteral("peak memory at 2000, MB"), [&](std::size_t k) { return number(r.cpu2000[k].cpu.maxRssMb, 1); });
}

} // namespace

Report makeReport(const BenchResults &r)
{
    QString text;
    QTextStream out(&text);
    onsetTable(out, r);
    pixelTable(out, r);
    causeTable(out, r);
    resourceTable(out, r);
    const double startup = percentile(r.startupsMs, 0.5);
    out << "\nStart-up to the settings window on screen: " << number(startup, 1) << " ms (median of "
        << r.startupsMs.size() << ").\n\n### Targets\n\n";

    std::vector<Target> targets;
    for (std::size_t k = 0; k < plain; ++k) {
        const auto ofKind = targetsOf(r, k);
        targets.insert(targets.end(), ofKind.begin(), ofKind.end());
    }
    targets.push_back({QStringLiteral("start-up < 300 ms"), startup, 300, {}});
    Report report;
    report.allMet = true;
    markdownRow(out, {QStringLiteral("target"), QStringLiteral("measured"), QStringLiteral("limit"),
                      QStringLiteral("the machine's doing, left out"), QStringLiteral("met or missed")}, true);
    for (const Target &t : targets) {
        report.allMet = report.allMet && t.isMet();
        markdownRow(out, {t.what, number(t.value), number(t.limit), t.share(),
                          t.isMet() ? QStringLiteral("met") : QStringLiteral("**missed**")});
    }
    out.flush();
    report.markdown = text;
    return report;
}

void writeData(const QString &folder, const BenchResults &results)
{
    const auto write = [&](const QString &name, const std::vector<ChildResult> &run) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return;
        QTextStream out(&file);
        out << "# onset, then |error| and |pixel error| of each kind (ms; under 1 µs written as 1 µs)\n";
        std::size_t count = 0;
        for (const ChildResult &child : run)
            count = std::max(count, child.onsets.size());
        const auto cell = [](double v) {
            return std::isnan(v) ? QStringLiteral("NaN") : QString::number(std::max(std::abs(v), 0.001), 'f', 4);
        };
        for (std::size_t i = 0; i < count; ++i) {
            out << i + 1;
            for (const ChildResult &child : run) {
                const bool has = i < child.onsets.size();
                out << ' ' << cell(has ? child.onsets[i].errorMs : std::nan("")) << ' '
                    << cell(has ? child.onsets[i].pixelErrorMs : std::nan(""));
            }
            out << '\n';
        }
    };
    if (!results.idleRounds.empty())
        write(QStringLiteral("timing-idle.dat"), results.idleRounds.front());
    write(QStringLiteral("timing-holdups.dat"), results.holdUps);
}

} // namespace bench
