// SPDX-License-Identifier: GPL-3.0-or-later
// How late each alarm kind wakes at the exercise's paces, on the system it
// runs on: the system alarm (on Windows the high-resolution waitable timer),
// the portable alarm, and a plain precise QTimer. Built for Windows and Linux;
// `make bench-windows` runs it on Wine. Each kind runs in a process of its own,
// all three at once, their deadlines a third of a pace apart on one timeline
// of the steady clock, which every process reads alike.
//
//   bench_wakeups [report.md [wakeups.txt]]
#include "bench/host.h"
#include "bench/stats.h"
#include "bench/wake_log.h"
#include "platform/early_wake_alarm.h"
#include "platform/clock.h"
#include "platform/system_time.h"
#include "platform/early_wake_alarm.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using bench::markdownRow;
using bench::number;
using bench::Summary;
using bench::summarize;
using Duration = std::chrono::nanoseconds;
using namespace std::chrono_literals;

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

const char *nameOf(Kind kind)
{
    switch (kind) {
    case Kind::System: return "system";
    case Kind::Portable: return "portable";
    case Kind::PlainQt: return "plainqt";
    }
    return "";
}

QString labelOf(Kind kind)
{
    switch (kind) {
    case Kind::System: return QStringLiteral("ours, %1").arg(QString::fromLatin1(bench::systemAlarmName()));
    case Kind::Portable: return QStringLiteral("ours, portable alarm");
    case Kind::PlainQt: return QStringLiteral("plain precise QTimer");
    }
    return {};
}

std::size_t paceIndex(int ms)
{
    return std::size_t(std::find_if(paces.begin(), paces.end(), [&](const Pace &p) { return p.ms == ms; }) - paces.begin());
}

// The whole timeline: every round runs the paces in turn, from `origin`.
struct Wake {
    int pace;
    int round;
    Duration deadline;
};

std::vector<Wake> timeline(Duration origin, Kind kind)
{
    std::vector<Wake> out;
    Duration segment = origin;
    for (int round = 0; round < rounds; ++round) {
        for (const Pace &pace : paces) {
            const Duration step = std::chrono::milliseconds(pace.ms);
            const Duration offset = step * int(kind) / 3;
            for (int i = 1; i <= pace.wakeUps; ++i)
                out.push_back({pace.ms, round, segment + step * i + offset});
            segment += step * (pace.wakeUps + 1);
        }
    }
    return out;
}

// One kind: sleeps to each deadline in turn and prints how late it woke, with
// what our alarms did on the way.
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
    bench::WakeLog log(planner, bench::WakeLog::CpuReadings::None); // as the plain QTimer: nothing between wake and call

    std::unique_ptr<platform::Alarm> alarm;
    QTimer plain;
    plain.setSingleShot(true);
    plain.setTimerType(Qt::PreciseTimer);
    std::function<void()> arm;
    // The CPU time of each pace's run of wake-ups, read where a run ends, so
    // that reading it costs nothing in between.
    std::array<Duration, paces.size()> cpuOfPace{};
    Duration cpuFrom{0};
    const auto onAlarm = [&] {
        const Duration now = clock.now();
        const Wake &w = wakes[next];
        const std::size_t p = paceIndex(w.pace);
        std::printf("wake %d %d %lld", w.pace, w.round, static_cast<long long>((now - w.deadline).count()));
        if (kind != Kind::PlainQt && !log.wakes.empty()) {
            const auto &r = log.wakes.back();
            const auto rel = [&](Duration t) { return static_cast<long long>((t - w.deadline).count()); };
            std::printf(" %lld %lld %lld %lld %d", rel(r.askedFor), rel(r.woke), rel(r.finishFrom), rel(r.finishWoke),
                        r.outOfReserve ? 1 : 0);
        }
        std::printf("\n");
        if (next + 1 == wakes.size() || wakes[next + 1].pace != w.pace) {
            const Duration cpu = bench::cpuNow();
            cpuOfPace[p] += cpu - cpuFrom;
            cpuFrom = cpu;
        }
        if (++next == wakes.size()) {
            for (std::size_t i = 0; i < paces.size(); ++i)
                std::printf("cpu %d %lld %d\n", paces[i].ms, static_cast<long long>(cpuOfPace[i].count()),
                            paces[i].wakeUps * rounds);
            std::fflush(stdout);
            QCoreApplication::quit();
            return;
        }
        arm();
    };
    if (kind == Kind::PlainQt) {
        QObject::connect(&plain, &QTimer::timeout, onAlarm);
        arm = [&] {
            const Duration left = std::max(wakes[next].deadline - clock.now(), Duration{0});
            plain.start(int(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        };
    } else {
        alarm = log.alarms(kind == Kind::System)(clock, onAlarm);
        arm = [&] { alarm->wakeAt(wakes[next].deadline); };
    }
    cpuFrom = bench::cpuNow();
    arm();
    return QCoreApplication::exec();
}

struct KindResult {
    // By pace, then round: each wake-up's lateness in ms (plain Qt's error either way).
    std::array<std::array<std::vector<double>, rounds>, paces.size()> lateness;
    // By pace, for our alarms: how late the event loop woke them after the
    // moment asked, and how late their own short sleep ended after its moment.
    std::array<std::vector<double>, paces.size()> loopLate;
    std::array<std::vector<double>, paces.size()> sleepLate;
    std::vector<QString> lines;
    std::array<double, paces.size()> cpuMsPerWake{std::nan(""), std::nan(""), std::nan("")};
    bool finished = false;
};

KindResult parse(QProcess &child)
{
    KindResult result;
    result.finished = child.waitForFinished(600'000) && child.exitCode() == 0;
    for (const QString &line : QString::fromLatin1(child.readAllStandardOutput()).split(u'\n')) {
        const QStringList f = line.trimmed().split(u' ');
        if (f.size() >= 4 && f[0] == u"wake") {
            const std::size_t p = paceIndex(f[1].toInt());
            const int round = f[2].toInt();
            if (p == paces.size() || round < 0 || round >= rounds)
                continue;
            result.lateness[p][std::size_t(round)].push_back(std::abs(f[3].toDouble()) / 1e6);
            if (f.size() == 9) { // asked, woke, finish from, finish woke: against the deadline
                result.loopLate[p].push_back((f[5].toDouble() - f[4].toDouble()) / 1e6);
                if (f[7].toDouble() > f[5].toDouble())
                    result.sleepLate[p].push_back((f[7].toDouble() - f[6].toDouble()) / 1e6);
            }
            result.lines.push_back(line.trimmed());
        } else if (f.size() == 4 && f[0] == u"cpu" && paceIndex(f[1].toInt()) < paces.size() && f[3].toDouble() > 0) {
            result.cpuMsPerWake[paceIndex(f[1].toInt())] = f[2].toDouble() / 1e6 / f[3].toDouble();
        }
    }
    return result;
}

int runBench(const QString &reportPath, const QString &wakeupsPath)
{
    // The children start their timelines together, 2 s on, when all have started.
    const Duration origin = platform::systemClock().now() + 2s;
    std::vector<std::unique_ptr<QProcess>> children;
    for (const Kind kind : kinds) {
        auto child = std::make_unique<QProcess>();
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(childVariable),
                   QStringLiteral("%1 %2").arg(QString::fromLatin1(nameOf(kind))).arg(origin.count()));
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QCoreApplication::applicationFilePath(), {});
        children.push_back(std::move(child));
    }
    std::vector<KindResult> results;
    for (auto &child : children)
        results.push_back(parse(*child));

    QString text;
    QTextStream out(&text);
    out << "### Lateness of each wake-up, ms: " << rounds << " rounds pooled, and the worst round\n\n";
    QStringList header{QStringLiteral("pace (half cycle)"), QStringLiteral("figure")};
    for (const Kind kind : kinds)
        header << labelOf(kind);
    markdownRow(out, header, true);
    bool allMet = std::all_of(results.begin(), results.end(), [](const KindResult &r) { return r.finished; });
    QString verdicts;
    QTextStream verdict(&verdicts);
    markdownRow(verdict, {QStringLiteral("pace"), QStringLiteral("p99, ") + labelOf(Kind::System) + QStringLiteral(" first"),
                          QStringLiteral("met or missed")}, true);
    for (std::size_t p = 0; p < paces.size(); ++p) {
        std::array<std::vector<double>, kinds.size()> samples;
        std::array<Summary, kinds.size()> pooled;
        std::array<std::pair<double, double>, kinds.size()> worst; // p99 and max; NaN where no round gives one
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            worst[k] = {std::nan(""), std::nan("")};
            for (const auto &round : results[k].lateness[p]) {
                samples[k].insert(samples[k].end(), round.begin(), round.end());
                const Summary f = summarize(round);
                worst[k] = {std::fmax(worst[k].first, f.p99), std::fmax(worst[k].second, f.max)};
            }
            pooled[k] = summarize(samples[k]);
        }
        const QString pace = QStringLiteral("%1 ms").arg(paces[p].ms);
        const auto row = [&](const QString &what, const std::function<QString(std::size_t)> &cell) {
            QStringList cells{pace, what};
            for (std::size_t k = 0; k < kinds.size(); ++k)
                cells << cell(k);
            markdownRow(out, cells);
        };
        const auto counted = [](const Summary &f, double Summary::*figure) {
            return number(f.*figure) + QStringLiteral(" (n %1)").arg(f.n);
        };
        row(QStringLiteral("p50"), [&](std::size_t k) { return counted(pooled[k], &Summary::p50); });
        row(QStringLiteral("p99"), [&](std::size_t k) { return counted(pooled[k], &Summary::p99); });
        row(QStringLiteral("max"), [&](std::size_t k) { return number(pooled[k].max); });
        row(QStringLiteral("worst round: p99 / max"),
            [&](std::size_t k) { return number(worst[k].first) + QStringLiteral(" / ") + number(worst[k].second); });
        // Where the time goes: the two waits of our alarms, each against its own moment.
        const auto stage = [&](std::size_t k, std::array<std::vector<double>, paces.size()> KindResult::*of) {
            if (kinds[k] == Kind::PlainQt)
                return QStringLiteral("–"); // it has no stages
            const Summary f = summarize((results[k].*of)[p]);
            return number(f.p50) + QStringLiteral(" / ") + counted(f, &Summary::p99);
        };
        row(QStringLiteral("… the system's wait, late after its moment, p50 / p99"),
            [&](std::size_t k) { return stage(k, &KindResult::loopLate); });
        row(QStringLiteral("… the thread's own short sleep, late after its moment, p50 / p99"),
            [&](std::size_t k) { return stage(k, &KindResult::sleepLate); });
        row(QStringLiteral("CPU per wake-up, ms"), [&](std::size_t k) {
            return QString::number(results[k].cpuMsPerWake[p], 'f', 4) + QStringLiteral(" (n %1)").arg(pooled[k].n);
        });

        // The system alarm within 0.5 ms and no later than the portable one
        // beyond chance, both ahead of plain Qt; on Wine, where the busy
        // finish may spend less than Wine's whole milliseconds a step, no
        // later than the last of Wine's waits it sleeps on (docs/timing.md).
        const double system = pooled[0].p99, portable = pooled[1].p99, plainQt = pooled[2].p99;
        const double finishPerStepMs = paces[p].ms * platform::BusyBudget::perMille / 1000.0;
        const bool ahead = system < plainQt && portable < plainQt;
        QString target;
        bool met = false;
        if (bench::onWine() && finishPerStepMs < 1) {
            const bool slept = !results[0].sleepLate[p].empty();
            const Summary wait = summarize(slept ? results[0].sleepLate[p] : results[0].loopLate[p]);
            met = ahead && system <= wait.p99;
            target = QStringLiteral("%1 ≤ %2, the p99 of Wine's %3 (n %4); both < %5")
                         .arg(number(system), number(wait.p99),
                              slept ? QStringLiteral("own sleeps") : QStringLiteral("waits"))
                         .arg(wait.n)
                         .arg(number(plainQt));
        } else {
            const double worse = bench::worseBeyondChance(samples[0], samples[1], 0.99);
            met = ahead && system <= 0.5 && worse <= 0;
            target = QStringLiteral("%1 ≤ 0.5; less the portable's %2, %3 beyond chance, ≤ 0; both < %4")
                         .arg(number(system), number(system - portable), number(worse), number(plainQt));
        }
        allMet = allMet && met;
        markdownRow(verdict, {pace, target, met ? QStringLiteral("met") : QStringLiteral("**missed**")});
    }
    verdict.flush();
    out << "\n### Targets\n\n" << verdicts;
    out.flush();
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stdout);
    if (!reportPath.isEmpty()) {
        QFile file(reportPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            QTextStream(&file) << "# Wake-ups" << (bench::onWine() ? " on Wine" : "")
                               << "\n\nWritten by `make bench-windows`; how to read it: [timing.md](timing.md).\n\n"
                               << text;
    }
    if (!wakeupsPath.isEmpty()) {
        QFile file(wakeupsPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            QTextStream dump(&file);
            // Ours also: asked, woke, finish sleep from and woke, all against the deadline; out of reserve.
            dump << "# kind wake pace round late_ns [asked woke finish_from finish_woke out_of_reserve]\n";
            for (std::size_t k = 0; k < kinds.size(); ++k)
                for (const QString &line : results[k].lines)
                    dump << nameOf(kinds[k]) << ' ' << line << '\n';
        }
    }
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList child = qEnvironmentVariable(childVariable).split(u' ', Qt::SkipEmptyParts);
    if (child.size() == 2) {
        for (const Kind kind : kinds) {
            if (child[0] == QString::fromLatin1(nameOf(kind)))
                return runChild(kind, Duration(child[1].toLongLong()));
        }
        return 2;
    }
    return runBench(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(),
                    argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
}
