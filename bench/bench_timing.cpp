// SPDX-License-Identifier: GPL-3.0-or-later
// `make bench`: how closely the real exercise window keeps to its nominal
// timeline, at its handlers and at the X server's pixels, on our two alarms
// and on plain Qt timers side by side; what it costs; how fast it starts.
// Writes the report to the file named by its argument. Linux only.
#include "bench/processes.h"
#include "bench/watch.h"
#include "bench/report.h"
#include "windows/program.h"

#include <QFile>
#include <QSysInfo>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <thread>

namespace {

using namespace bench;

QString machine()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    const QByteArray text = info.open(QIODevice::ReadOnly) ? info.readAll() : QByteArray();
    const qsizetype from = text.indexOf(':', text.indexOf("model name")) + 1;
    const QString cpu = from > 0 ? QString::fromLatin1(text.mid(from, text.indexOf('\n', from) - from).trimmed())
                                 : QStringLiteral("unknown CPU");
#ifdef NDEBUG
    const char *build = "optimised";
#else
    const char *build = "debug";
#endif
    return QStringLiteral("%1, %2 cores; %3 %4; Qt %5; Xvfb with the xcb platform plugin; %6 build")
        .arg(cpu)
        .arg(std::thread::hardware_concurrency())
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()), QString::fromLatin1(build));
}

// One round of the scenarios named, all at once, each in every timer kind.
std::vector<std::vector<ChildResult>> run(std::initializer_list<std::string_view> names, int round,
                                          const Displays &displays)
{
    std::vector<const Scenario *> scenarios;
    int seconds = 0;
    for (const std::string_view name : names) {
        scenarios.push_back(scenarioNamed(name));
        seconds = std::max(seconds, scenarios.back()->seconds);
        std::fprintf(stderr, "%s ", name.data());
    }
    std::fprintf(stderr, "(round %d): %d s, every timer kind at once\n", round + 1, seconds);
    return runTogether(scenarios, round, displays);
}

int runBench(const QString &output)
{
    const Nanos benchStart = steadyNow();
    const Displays displays;
    if (!displays.isRunning()) {
        std::fprintf(stderr, "bench: could not start Xvfb\n");
        return 2;
    }

    BenchResults results;
    for (int round = 0; round < scenarioNamed("idle")->rounds; ++round)
        results.idleRounds.push_back(run({"idle"}, round, displays)[0]);
    // The hold-ups at 2000 leave the cores idle nearly all the time, so they
    // run beside the clicks. They start first: their first step is a second
    // away, so the clicks' start-ups fall before it.
    const auto interactive = run({"holdups", "clicks"}, 0, displays);
    results.holdUps = interactive[0];
    results.clicks = interactive[1];
    results.cpu20 = run({"cpu20"}, 0, displays)[0]; // every tick a step: alone
    const auto cpu = run({"cpu300", "cpu2000"}, 0, displays);
    results.cpu300 = cpu[0];
    results.cpu2000 = cpu[1];
    for (int i = 0; i < 5; ++i)
        results.startupsMs.push_back(startupMs(displays.environment(TimerKind::Linux, false)));
    QString text;
    QTextStream report(&text);
    report << "Machine: " << machine() << ". Bench time "
           << QString::number(std::chrono::duration<double>(steadyNow() - benchStart).count(), 'f', 0) << " s.\n\n";
    const bool allMet = writeReport(report, results);
    report.flush();
    std::printf("\n%s", qPrintable(text));
    QFile file(output);
    if (!output.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        QTextStream(&file) << "# Timing and resources\n\nWritten by `make bench`; how to read it: [timing.md](timing.md).\n\n"
                           << text;
    return allMet ? 0 : 1;
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
        for (std::size_t k = 0; k < timerKinds.size(); ++k) {
            if (s && words.value(0) == "timeline" && words.value(2) == kindNames[k])
                return runTimelineChild(app, *s, timerKinds[k], words.value(3).toInt(), Nanos(words.value(4).toLongLong()));
        }
        return 2;
    }
    return runBench(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
}
