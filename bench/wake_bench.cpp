// SPDX-License-Identifier: GPL-3.0-or-later
// How late each alarm kind wakes at the exercise's paces, on the system it
// runs on: the system alarm (on Windows the high-resolution waitable timer),
// the portable alarm, and a plain precise QTimer. Built for Windows and Linux;
// `make bench-windows` runs it on Wine. Each kind runs in a process of its own,
// all three at once, their deadlines a third of a pace apart on one timeline
// of the steady clock, which every process reads alike.
//
//   bench_wakeups [report.md]
#include "bench/host.h"
#include "bench/stats.h"
#include "bench/wake_log.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <utility>

namespace {

using namespace bench;
using Duration = std::chrono::nanoseconds;

constexpr const char *childVariable = "TARVELIN_WAKE_BENCH_CHILD";
constexpr int rounds = 3;

// The half cycles of the exercise at 2000, at 300 and at its fastest, and how
// many wake-ups each gets in a round: at least 100 in all rounds together.
struct Pace {
    int ms;
    int wakeUps;
};
constexpr std::array<Pace, 3> paces{{{1000, 34}, {150, 100}, {10, 100}}};

enum class Kind { System, Portable, PlainQt };
constexpr std::array<Kind, 3> kinds{Kind::System, Kind::Portable, Kind::PlainQt};
constexpr std::array<const char *, 3> kindNames{"system", "portable", "plainqt"};

QString labelOf(Kind kind)
{
    if (kind == Kind::System)
        return onWine() ? QStringLiteral("ours, Windows alarm") : QStringLiteral("ours, system alarm");
    return kind == Kind::Portable ? QStringLiteral("ours, portable alarm") : QStringLiteral("plain precise QTimer");
}

struct Wake {
    std::size_t pace;
    Duration deadline;
};

// The whole timeline: every round runs the paces in turn, from `origin`.
std::vector<Wake> timeline(Duration origin, Kind kind)
{
    std::vector<Wake> out;
    Duration segment = origin;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t p = 0; p < paces.size(); ++p) {
            const Duration step = std::chrono::milliseconds(paces[p].ms);
            for (int i = 1; i <= paces[p].wakeUps; ++i)
                out.push_back({p, segment + step * i + step * int(kind) / 3});
            segment += step * (paces[p].wakeUps + 1);
        }
    }
    return out;
}

// One kind: sleeps to each deadline in turn and prints, a line each, how late
// it woke and, for our alarms, when they asked the system's wait for, woke,
// slept their own short sleep until and woke from it, against the deadline;
// then the CPU time of each pace.
int runChild(Kind kind, Duration origin)
{
    const platform::Clock &clock = platform::systemClock();
    const std::vector<Wake> wakes = timeline(origin, kind);
    std::size_t next = 0;
    // Our alarms get the program's own time keeping, as it starts it; plain
    // QTimer gets none of it, as in a program of its own.
    const bool ours = kind != Kind::PlainQt;
    if (ours)
        platform::keepTimeOnThisThread();
    platform::WakePlanner planner(ours && platform::sleepsPrecisely(clock));
    WakeLog log(planner, false); // as the plain QTimer: nothing read between wake-up and call

    std::unique_ptr<platform::Alarm> alarm;
    QTimer plain;
    plain.setSingleShot(true);
    plain.setTimerType(Qt::PreciseTimer);
    std::function<void()> arm;
    // Read where a pace's run of wake-ups ends, so that reading costs nothing in between.
    std::array<Duration, paces.size()> cpuOfPace{};
    Duration cpuFrom{0};
    const auto onAlarm = [&] {
        const Duration now = clock.now();
        const Wake &w = wakes[next];
        std::printf("wake %zu %lld", w.pace, static_cast<long long>((now - w.deadline).count()));
        if (ours && !log.wakes.empty()) {
            const AlarmWake &r = log.wakes.back();
            const auto rel = [&](Duration t) { return static_cast<long long>((t - w.deadline).count()); };
            std::printf(" %lld %lld %lld %lld", rel(r.askedFor), rel(r.woke), rel(r.finishFrom), rel(r.finishWoke));
        }
        std::printf("\n");
        if (next + 1 == wakes.size() || wakes[next + 1].pace != w.pace) {
            const Duration cpu = cpuNow();
            cpuOfPace[w.pace] += cpu - std::exchange(cpuFrom, cpu);
        }
        if (++next < wakes.size())
            return arm();
        for (std::size_t p = 0; p < paces.size(); ++p)
            std::printf("cpu %zu %lld\n", p, static_cast<long long>(cpuOfPace[p].count()));
        std::fflush(stdout);
        QCoreApplication::quit();
    };
    if (ours) {
        alarm = log.alarms(kind == Kind::System)(clock, onAlarm);
        arm = [&] { alarm->wakeAt(wakes[next].deadline); };
    } else {
        QObject::connect(&plain, &QTimer::timeout, onAlarm);
        arm = [&] {
            const Duration left = std::max(wakes[next].deadline - clock.now(), Duration{0});
            plain.start(int(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        };
    }
    cpuFrom = cpuNow();
    arm();
    return QCoreApplication::exec();
}

// What one kind's child reported, by pace, in ms.
struct KindResult {
    std::array<std::vector<double>, paces.size()> lateness;
    std::array<std::vector<double>, paces.size()> loopLate;  // the system's wait, after its moment
    std::array<std::vector<double>, paces.size()> sleepLate; // the thread's own short sleep
    std::array<double, paces.size()> cpuMsPerWake{std::nan(""), std::nan(""), std::nan("")};
    bool finished = false;
};

KindResult parse(QProcess &child)
{
    KindResult result;
    result.finished = child.waitForFinished(600'000) && child.exitCode() == 0;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(' ');
        const std::size_t p = f.size() > 1 ? f[1].toULong() : paces.size();
        if (p >= paces.size())
            continue;
        if (f[0] == "wake" && f.size() >= 3)
            result.lateness[p].push_back(std::abs(f[2].toDouble()) / 1e6);
        if (f[0] == "wake" && f.size() == 7) { // asked, woke, finish from, finish woke
            result.loopLate[p].push_back((f[4].toDouble() - f[3].toDouble()) / 1e6);
            if (f[6].toDouble() > f[4].toDouble()) // it slept
                result.sleepLate[p].push_back((f[6].toDouble() - f[5].toDouble()) / 1e6);
        }
        if (f[0] == "cpu" && f.size() == 3)
            result.cpuMsPerWake[p] = f[2].toDouble() / 1e6 / (paces[p].wakeUps * rounds);
    }
    return result;
}

// The system alarm within 0.5 ms and no later than the portable one beyond
// chance, both ahead of plain Qt; on Wine, where the busy finish may spend
// less than Wine's whole milliseconds a step, no later than the last of Wine's
// waits it sleeps on (docs/timing.md).
bool judge(std::size_t p, const std::vector<KindResult> &results, const std::array<std::vector<double>, 3> &samples,
           QString &target)
{
    const double system = summarize(samples[0]).p99, portable = summarize(samples[1]).p99;
    const double plainQt = summarize(samples[2]).p99;
    const bool ahead = system < plainQt && portable < plainQt;
    if (onWine() && paces[p].ms * platform::BusyBudget::perMille / 1000.0 < 1) {
        const bool slept = !results[0].sleepLate[p].empty();
        const Summary wait = summarize(slept ? results[0].sleepLate[p] : results[0].loopLate[p]);
        target = QStringLiteral("%1 ≤ %2, the p99 of Wine's %3 (n %4); both < %5")
                     .arg(number(system), number(wait.p99), slept ? QStringLiteral("own sleeps") : QStringLiteral("waits"))
                     .arg(wait.n)
                     .arg(number(plainQt));
        return ahead && system <= wait.p99;
    }
    const double worse = worseBeyondChance(samples[0], samples[1], 0.99);
    target = QStringLiteral("%1 ≤ 0.5; less the portable's %2, %3 beyond chance, ≤ 0; both < %4")
                 .arg(number(system), number(system - portable), number(worse), number(plainQt));
    return ahead && system <= 0.5 && worse <= 0;
}

int runBench(const QString &reportPath)
{
    // The children start their timelines together, 2 s on, when all have started.
    const Duration origin = platform::systemClock().now() + std::chrono::seconds(2);
    std::vector<std::unique_ptr<QProcess>> children;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(childVariable), QStringLiteral("%1 %2").arg(kindNames[k]).arg(origin.count()));
        children.push_back(std::make_unique<QProcess>());
        children.back()->setProcessEnvironment(env);
        children.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children.back()->start(QCoreApplication::applicationFilePath(), {});
    }
    std::vector<KindResult> results;
    for (auto &child : children)
        results.push_back(parse(*child));

    QString text, verdicts;
    QTextStream out(&text), verdict(&verdicts);
    out << "### Lateness of each wake-up, ms, " << rounds << " rounds pooled\n\n";
    QStringList labels;
    for (const Kind kind : kinds)
        labels << labelOf(kind);
    Table table(out, QStringLiteral("pace (half cycle), figure"), labels);
    markdownRow(verdict, {QStringLiteral("pace"), QStringLiteral("p99, ") + labels[0] + QStringLiteral(" first"),
                          QStringLiteral("met or missed")}, true);
    bool allMet = std::all_of(results.begin(), results.end(), [](const KindResult &r) { return r.finished; });
    for (std::size_t p = 0; p < paces.size(); ++p) {
        const QString pace = QStringLiteral("%1 ms, ").arg(paces[p].ms);
        std::array<std::vector<double>, kinds.size()> samples;
        for (std::size_t k = 0; k < kinds.size(); ++k)
            samples[k] = results[k].lateness[p];
        const auto counted = [](const Summary &f, double Summary::*figure) {
            return number(f.*figure) + QStringLiteral(" (n %1)").arg(f.n);
        };
        for (const auto &[name, figure] : {std::pair{"p50", &Summary::p50}, std::pair{"p99", &Summary::p99}})
            table.row(pace + QString::fromLatin1(name), [&, figure = figure](std::size_t k) { return counted(summarize(samples[k]), figure); });
        table.row(pace + QStringLiteral("max"), [&](std::size_t k) { return number(summarize(samples[k]).max); });
        // Where the time goes: the two waits of our alarms, each against its own moment.
        const auto stage = [&](std::array<std::vector<double>, paces.size()> KindResult::*of) {
            return [&, of](std::size_t k) {
                if (kinds[k] == Kind::PlainQt)
                    return QStringLiteral("–"); // it has no stages
                const Summary f = summarize((results[k].*of)[p]);
                return number(f.p50) + QStringLiteral(" / ") + counted(f, &Summary::p99);
            };
        };
        table.row(pace + QStringLiteral("… the system's wait, late after its moment, p50 / p99"), stage(&KindResult::loopLate));
        table.row(pace + QStringLiteral("… the thread's own short sleep, late after its moment, p50 / p99"),
                  stage(&KindResult::sleepLate));
        table.row(pace + QStringLiteral("CPU per wake-up"), [&](std::size_t k) {
            return number(results[k].cpuMsPerWake[p], 4) + QStringLiteral(" (n %1)").arg(samples[k].size());
        });
        QString target;
        const bool met = judge(p, results, samples, target);
        allMet = allMet && met;
        markdownRow(verdict, {pace.chopped(2), target, met ? QStringLiteral("met") : QStringLiteral("**missed**")});
    }
    verdict.flush();
    out << "\n### Targets\n\n" << verdicts;
    out.flush();
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stdout);
    QFile file(reportPath);
    if (!reportPath.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        QTextStream(&file) << "# Wake-ups" << (onWine() ? " on Wine" : "")
                           << "\n\nWritten by `make bench-windows`; how to read it: [timing.md](timing.md).\n\n" << text;
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList child = qEnvironmentVariable(childVariable).split(u' ', Qt::SkipEmptyParts);
    if (child.size() == 2) {
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if (child[0] == QString::fromLatin1(kindNames[k]))
                return runChild(kinds[k], Duration(child[1].toLongLong()));
        }
        return 2;
    }
    return runBench(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
}
