// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/processes.h"

#include "bench/nominal.h"
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
    bool pixelsWatched;
    std::size_t onsets;
    std::size_t clicks;
};

ChildResult parse(TimerKind kind, QProcess &child)
{
    ChildResult result;
    result.kind = kind;
    result.finished = child.waitForFinished(300'000) && child.exitCode() == 0;
    const QByteArray out = child.readAllStandardOutput();
    ChildHeader header{};
    if (out.size() < qsizetype(sizeof header))
        return result;
    std::memcpy(&header, out.constData(), sizeof header);
    const std::size_t size = sizeof header + header.onsets * sizeof(OnsetRow) + header.clicks * sizeof(ClickError);
    if (std::size_t(out.size()) != size) {
        result.finished = false;
        return result;
    }
    result.cpu = header.cpu;
    result.pixelsWatched = header.pixelsWatched;
    result.onsets.resize(header.onsets);
    std::memcpy(result.onsets.data(), out.constData() + sizeof header, header.onsets * sizeof(OnsetRow));
    std::vector<ClickError> clicks(header.clicks);
    std::memcpy(clicks.data(), out.constData() + size - header.clicks * sizeof(ClickError),
                header.clicks * sizeof(ClickError));
    for (const ClickError &click : clicks) {
        result.clicks.push_back(click.ms);
        if (!click.machines)
            result.clicksNotMachines.push_back(click.ms);
        result.clicksUnexplained += click.unexplained ? 1 : 0;
    }
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

void writeChildResult(const CpuFigures &cpu, bool pixelsWatched, const std::vector<OnsetRow> &onsets,
                      const std::vector<ClickError> &clicks)
{
    const ChildHeader header{cpu, pixelsWatched, onsets.size(), clicks.size()};
    std::fwrite(&header, sizeof header, 1, stdout);
    std::fwrite(onsets.data(), sizeof(OnsetRow), onsets.size(), stdout);
    std::fwrite(clicks.data(), sizeof(ClickError), clicks.size(), stdout);
    std::fflush(stdout);
}

Xvfb::Xvfb(bool lowPriority)
{
    // -displayfd: the server picks a free display and writes its number to us.
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    startAsChild(m_server, lowPriority);
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp")});
    if (!m_server.waitForStarted(10'000))
        return;
    for (int i = 0; i < 100 && !m_server.canReadLine(); ++i)
        m_server.waitForReadyRead(100);
    const QString number = QString::fromLatin1(m_server.readLine()).trimmed();
    if (!number.isEmpty())
        m_display = u':' + number;
}

Xvfb::~Xvfb()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
}

Displays::Displays()
{
    for (std::size_t k = 0; k <= std::size(timerKinds); ++k)
        m_servers.push_back(std::make_unique<Xvfb>(k == std::size(timerKinds)));
}

bool Displays::isRunning() const
{
    return m_runtime.isValid()
           && std::all_of(m_servers.begin(), m_servers.end(), [](const auto &server) { return server->isRunning(); });
}

QProcessEnvironment Displays::environment(TimerKind kind, bool aside) const
{
    const auto k = std::size_t(std::find(std::begin(timerKinds), std::end(timerKinds), kind) - std::begin(timerKinds));
    const Xvfb &server = aside ? *m_servers.back() : *m_servers[k];
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), server.display());
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
    std::vector<std::vector<std::pair<TimerKind, std::unique_ptr<QProcess>>>> children(scenarios.size());
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        for (std::size_t k = 0; k < std::size(timerKinds); ++k) {
            const TimerKind kind = timerKinds[k];
            const QString mode = QStringLiteral("timeline %1 %2 %3 %4")
                                     .arg(QString::fromLatin1(scenarios[i]->name.data(), qsizetype(scenarios[i]->name.size())),
                                          QString::fromLatin1(nameOf(kind)))
                                     .arg(round)
                                     .arg((start + offsets[slot++]).count());
            const bool aside = kind == TimerKind::PlainQt && scenarios[i]->plainAside;
            children[i].emplace_back(kind, startChild(mode, displays.environment(kind, aside), aside));
        }
    }
    std::vector<std::vector<ChildResult>> results(scenarios.size());
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        for (auto &[kind, child] : children[i])
            results[i].push_back(parse(kind, *child));
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
