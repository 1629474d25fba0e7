// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/processes.h"

#include "bench/plan.h"
#include "bench/host.h"

#include <QCoreApplication>

#include <sys/prctl.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

// A child of the bench ends with it, also when the bench is stopped by a
// signal. At the lowest priority it never holds up a process at the normal one
// that wakes with it, as two woken by one timer interrupt would otherwise take
// their core in turn; every thread it starts inherits that.
void startAsChild(QProcess &process, bool lowPriority)
{
    process.setChildProcessModifier([lowPriority] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (lowPriority)
            setpriority(PRIO_PROCESS, 0, 19);
    });
}

std::unique_ptr<QProcess> startChild(const QString &mode, const QProcessEnvironment &base, bool lowPriority = false)
{
    auto child = std::make_unique<QProcess>();
    auto env = base;
    env.insert(QString::fromLatin1(childVariable), mode);
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    startAsChild(*child, lowPriority);
    child->start(QCoreApplication::applicationFilePath(), {});
    return child;
}

struct ChildHeader {
    CpuFigures cpu;
    std::size_t onsets;
    std::size_t clicks;
};

// A child that fails gives no rows, and every figure of its kind is then none.
ChildResult parse(QProcess &child)
{
    ChildResult result;
    const bool finished = child.waitForFinished(300'000) && child.exitCode() == 0;
    const QByteArray out = child.readAllStandardOutput();
    ChildHeader header{};
    if (out.size() >= qsizetype(sizeof header))
        std::memcpy(&header, out.constData(), sizeof header);
    const std::size_t onsetBytes = header.onsets * sizeof(OnsetRow);
    if (!finished || std::size_t(out.size()) != sizeof header + onsetBytes + header.clicks * sizeof(OnsetRow)) {
        std::fprintf(stderr, "  a child failed: %s\n", qPrintable(child.processEnvironment().value(QString::fromLatin1(childVariable))));
        return result;
    }
    result.cpu = header.cpu;
    result.onsets.resize(header.onsets);
    std::memcpy(result.onsets.data(), out.constData() + sizeof header, onsetBytes);
    result.clicks.resize(header.clicks);
    std::memcpy(result.clicks.data(), out.constData() + sizeof header + onsetBytes, header.clicks * sizeof(OnsetRow));
    return result;
}

// When each child starts making its window, after the first. The next starts
// 267 ms after the one before, when that one has made and shown its window
// (some 50-100 ms of work, which would otherwise fall on the other's first
// steps), and 17 ms further along the 50 ms grid of the steps, so that the
// steps, spins and repaints of the kinds do not meet on the two cores. Where
// the scenario asks for quiet starts, it waits on along that grid until its
// start-up holds no onset of those started before it.
std::vector<Nanos> startOffsets(const std::vector<const Scenario *> &scenarios, int round)
{
    using std::chrono::milliseconds;
    constexpr Nanos apart = milliseconds(267);
    constexpr Nanos grid = milliseconds(50);
    constexpr Nanos startUp = milliseconds(150); // making the window, then its first show
    constexpr Nanos makingVaries = milliseconds(100); // how far an onset may move with the making
    std::vector<Nanos> offsets;
    std::vector<std::vector<Onset>> timelines;
    const auto quiet = [&](Nanos at) {
        for (std::size_t j = 0; j < offsets.size(); ++j) {
            for (const Onset &onset : timelines[j]) {
                const Nanos when = offsets[j] + std::chrono::microseconds(onset.atUs);
                if (when + makingVaries >= at && when <= at + startUp)
                    return false;
            }
        }
        return true;
    };
    for (const Scenario *s : scenarios) {
        const std::vector<Onset> onsets = plannedRun(*s, round).onsets;
        for (std::size_t k = 0; k < std::size(timerKinds); ++k) {
            Nanos at = offsets.empty() ? Nanos{0} : offsets.back() + apart;
            while (s->quietStarts && !quiet(at) && at < std::chrono::seconds(s->seconds))
                at += grid;
            offsets.push_back(at);
            timelines.push_back(onsets);
        }
    }
    return offsets;
}

} // namespace

void writeChildResult(const ChildResult &result)
{
    const ChildHeader header{result.cpu, result.onsets.size(), result.clicks.size()};
    std::fwrite(&header, sizeof header, 1, stdout);
    std::fwrite(result.onsets.data(), sizeof(OnsetRow), result.onsets.size(), stdout);
    std::fwrite(result.clicks.data(), sizeof(OnsetRow), result.clicks.size(), stdout);
    std::fflush(stdout);
}

Displays::Displays()
{
    for (std::size_t k = 0; k <= timerKinds.size(); ++k) {
        // -displayfd: the server picks a free display and writes its number to us.
        auto &server = *m_servers.emplace_back(std::make_unique<QProcess>());
        startAsChild(server, k == timerKinds.size());
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                              QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                              QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        for (int i = 0; i < 100 && server.waitForStarted(10'000) && !server.canReadLine(); ++i)
            server.waitForReadyRead(100);
        const QString number = QString::fromLatin1(server.readLine()).trimmed();
        m_names.push_back(number.isEmpty() ? QString() : u':' + number);
    }
}

Displays::~Displays()
{
    for (auto &server : m_servers) {
        server->terminate();
        server->waitForFinished(5000);
    }
}

bool Displays::isRunning() const
{
    return m_runtime.isValid() && std::none_of(m_names.begin(), m_names.end(), [](const QString &n) { return n.isEmpty(); });
}

QProcessEnvironment Displays::environment(TimerKind kind, bool aside) const
{
    const auto k = std::size_t(std::find(timerKinds.begin(), timerKinds.end(), kind) - timerKinds.begin());
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), aside ? m_names.back() : m_names[k]);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    return env;
}

std::vector<std::vector<ChildResult>> runTogether(const std::vector<const Scenario *> &scenarios, int round,
                                                 const Displays &displays)
{
    const Nanos start = steadyNow() + std::chrono::milliseconds(1500);
    const std::vector<Nanos> offsets = startOffsets(scenarios, round);
    std::fprintf(stderr, "  started at");
    for (const Nanos offset : offsets)
        std::fprintf(stderr, " %.3f", std::chrono::duration<double>(offset).count());
    std::fprintf(stderr, " s\n");
    std::size_t slot = 0;
    std::vector<std::vector<std::unique_ptr<QProcess>>> children(scenarios.size());
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        for (std::size_t k = 0; k < std::size(timerKinds); ++k) {
            const TimerKind kind = timerKinds[k];
            const QString mode = QStringLiteral("timeline %1 %2 %3 %4")
                                     .arg(QString::fromLatin1(scenarios[i]->name.data(), qsizetype(scenarios[i]->name.size())),
                                          QString::fromLatin1(kindNames[k]))
                                     .arg(round)
                                     .arg((start + offsets[slot++]).count());
            const bool aside = kind == TimerKind::PlainQt && scenarios[i]->plainAside;
            children[i].push_back(startChild(mode, displays.environment(kind, aside), aside));
        }
    }
    std::vector<std::vector<ChildResult>> results(scenarios.size());
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        for (auto &child : children[i])
            results[i].push_back(parse(*child));
    }
    return results;
}

double startupMs(const QProcessEnvironment &env)
{
    const Nanos asked = steadyNow();
    auto child = startChild(QStringLiteral("startup"), env);
    child->waitForFinished(60'000);
    const QString out = QString::fromLatin1(child->readAllStandardOutput());
    if (!out.startsWith(QStringLiteral("shown ")))
        return std::nan("");
    const Nanos shown(out.mid(6).trimmed().toLongLong());
    return std::chrono::duration<double, std::milli>(shown - asked).count();
}

} // namespace bench
