// SPDX-License-Identifier: GPL-3.0-or-later
// `make bench`: how closely the real exercise window keeps to its nominal
// timeline, at its handlers and at the X server's pixels, on our two alarms
// and on plain Qt timers side by side; what it costs; how fast it starts.
// Writes the report to the file named by the first argument and the onset
// errors, for bench/timing.gp, to the folder named by the second. Linux only.
#include "bench/child.h"
#include "bench/processes.h"
#include "bench/watch.h"
#include "bench/report.h"
#include "windows/program.h"

#include <QFile>
#include <QSysInfo>
#include <QTextStream>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

using namespace bench;

QString machine()
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    return QStringLiteral("%1, %2 cores; %3 %4; Qt %5; Xvfb with the xcb platform plugin; %6 build")
        .arg(cpu.isEmpty() ? QStringLiteral("unknown CPU") : cpu)
        .arg(std::thread::hardware_concurrency())
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
#ifdef NDEBUG
             QStringLiteral("optimised"));
#else
             QStringLiteral("debug"));
#endif
}

const Scenario &scenario(std::string_view name)
{
    return *scenarioNamed(name);
}

std::vector<ChildResult> runOne(std::string_view name, const Displays &displays)
{
    std::fprintf(stderr, "%s: %d s, every timer kind at once\n", name.data(), scenario(name).seconds);
    return runTogether({&scenario(name)}, 0, displays).front();
}

int runBench(const QString &output, const QString &dataFolder)
{
    const Nanos benchStart = steadyNow();
    const Displays displays;
    if (!displays.isRunning()) {
        std::fprintf(stderr, "bench: could not start Xvfb\n");
        return 2;
    }

    BenchResults results;
    const Scenario &idle = scenario("idle");
    for (int round = 0; round < idle.rounds; ++round) {
        std::fprintf(stderr, "idle, round %d of %d: %d s, every timer kind at once\n", round + 1, idle.rounds,
                     idle.seconds);
        results.idleRounds.push_back(runTogether({&idle}, round, displays).front());
    }
    // The hold-ups at 2000 leave the cores idle nearly all the time, so they
    // run beside the clicks.
    std::fprintf(stderr, "clicks and holdups: %d s, all at once\n", scenario("clicks").seconds);
    // The hold-ups start first: their first step is a second away, so the
    // clicks' start-ups fall before it, and nothing else starts during the clicks.
    auto interactive = runTogether({&scenario("holdups"), &scenario("clicks")}, 0, displays);
    results.holdUps = interactive[0];
    results.clicks = interactive[1];
    results.busy = runOne("busy", displays);
    // CPU per step at 20 is compared between the kinds, so nothing else runs
    // beside them; at 300 and 2000 only each process's own share matters.
    results.cpu20 = runOne("cpu20", displays);
    std::fprintf(stderr, "cpu300 and cpu2000: %d s, all at once\n", scenario("cpu300").seconds);
    auto cpu = runTogether({&scenario("cpu300"), &scenario("cpu2000")}, 0, displays);
    results.cpu300 = cpu[0];
    results.cpu2000 = cpu[1];
    for (int i = 0; i < 5; ++i)
        results.startupsMs.push_back(startupMs(displays.environment(TimerKind::Linux, false)));
    results.machine = machine();
    results.seconds = std::chrono::duration<double>(steadyNow() - benchStart).count();

    const Report report = makeReport(results);
    const QString heading = QStringLiteral("Machine: %1. Bench time %2 s.\n\n")
                                .arg(results.machine)
                                .arg(results.seconds, 0, 'f', 0);
    std::printf("\n%s%s", qPrintable(heading), qPrintable(report.markdown));
    if (!dataFolder.isEmpty())
        writeData(dataFolder, results);
    if (!output.isEmpty()) {
        QFile file(output);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            QTextStream doc(&file);
            doc << "# Timing and resources\n\nWritten by `make bench`; how to read it: [timing.md](timing.md).\n\n"
                << heading << report.markdown << "\n![Onset error of every onset](timing.svg)\n";
        }
    }
    return report.allMet ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray child = qgetenv(childVariable);
    if (child.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the parent shows nothing; its children run on the bench's Xvfb
    else
        windows::setDisplayOptions(); // as the program does
    RecordingApplication app(argc, argv);
    if (child == "startup")
        return runStartupChild();
    if (!child.isEmpty()) {
        const QList<QByteArray> words = child.split(' '); // timeline, scenario, kind, round, start
        const Scenario *s = scenarioNamed(std::string_view(words.value(1).constData()));
        for (const TimerKind kind : timerKinds) {
            if (s && words.value(0) == "timeline" && words.value(2) == nameOf(kind))
                return runTimelineChild(app, *s, kind, words.value(3).toInt(), Nanos(words.value(4).toLongLong()));
        }
        return 2;
    }
    return runBench(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(),
                    argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString());
}
