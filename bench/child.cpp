// SPDX-License-Identifier: GPL-3.0-or-later
// A child of `make bench`: one round of one scenario on one timer kind, or
// the program's start-up.
#include "bench/processes.h"
#include "bench/watch.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/program_end.h"
#include "platform/random_source.h"
#include "tests/support/show_hide_watch.h"
#include "windows/frm_werk.h"
#include "windows/program.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <optional>
#include <thread>

namespace bench {

namespace {

using namespace std::chrono_literals;

constexpr auto holdUpLength = 60ms;
constexpr auto holdUpLead = 30ms; // it starts this long before the step is due

// The window's timers, watched from the time source they are made on: when
// the first is enabled (the pacing timer, whose start is the origin of the
// nominal timeline), when each tick's handler starts, and when each click
// comes to the engine.
class WatchedSource final : public platform::TimeSource {
public:
    explicit WatchedSource(platform::TimeSource &inner)
        : m_inner(inner)
    {
    }

    std::unique_ptr<platform::TimerBackend> makeTimer(std::function<void()> onTick) override
    {
        auto watched = [this, onTick = std::move(onTick)] {
            tickStart = steadyNow();
            inTick = true;
            onTick();
            inTick = false;
        };
        return std::make_unique<Backend>(m_inner.makeTimer(std::move(watched)), *this);
    }
    // When the handler that makes an onset started: the tick it is in, if any.
    [[nodiscard]] ThreadMoment onsetNow() const
    {
        const ThreadMoment moment = threadNow();
        return {inTick ? tickStart : moment.at, moment.threadCpu, moment.waited};
    }
    void runBetweenTicks(const std::function<void()> &event) override
    {
        // Just before the engine reads the clock to judge which ticks come first: read after
        // those, a tick that fell due meanwhile would be replayed on the click's other side.
        clicks.push_back(steadyNow());
        m_inner.runBetweenTicks(event);
    }

    std::optional<Nanos> origin;
    std::vector<Nanos> clicks;
    Nanos tickStart{0};
    bool inTick = false;

private:
    class Backend final : public platform::TimerBackend {
    public:
        Backend(std::unique_ptr<platform::TimerBackend> inner, WatchedSource &source)
            : m_inner(std::move(inner))
            , m_source(source)
        {
        }
        void setInterval(std::int32_t ms) override { m_inner->setInterval(ms); }
        void setEnabled(bool enabled) override
        {
            if (enabled && !m_source.origin)
                m_source.origin = steadyNow();
            m_inner->setEnabled(enabled);
        }
        void setLookahead(std::function<std::int64_t()> f) override { m_inner->setLookahead(std::move(f)); }

    private:
        std::unique_ptr<platform::TimerBackend> m_inner;
        WatchedSource &m_source;
    };

    platform::TimeSource &m_inner;
};

// What a window would have on plain QTimers, to measure ours against: one
// handler call per timeout of a default (coarse) QTimer, counted from each
// start in wall time, with nothing caught up.
class PlainQtTimeSource final : public platform::TimeSource {
public:
    std::unique_ptr<platform::TimerBackend> makeTimer(std::function<void()> onTick) override
    {
        return std::make_unique<Timer>(std::move(onTick));
    }
    void runBetweenTicks(const std::function<void()> &event) override { event(); }

private:
    class Timer final : public platform::TimerBackend {
    public:
        explicit Timer(std::function<void()> onTick)
        {
            QObject::connect(&m_timer, &QTimer::timeout, &m_timer, std::move(onTick));
        }
        void setInterval(std::int32_t milliseconds) override { m_timer.setInterval(milliseconds); }
        void setEnabled(bool enabled) override
        {
            if (enabled && !m_timer.isActive())
                m_timer.start();
            else if (!enabled)
                m_timer.stop();
        }
        void setLookahead(std::function<std::int64_t()>) override {}

    private:
        QTimer m_timer;
    };
};

// Runs actions at set moments on an alarm of its own, so the clicks and the
// hold-ups are on time whatever timers the window has.
class Schedule {
public:
    explicit Schedule(platform::WakePlanner &planner)
        : m_alarm(platform::systemAlarms(planner)(platform::systemClock(), [this] { fire(); }))
    {
    }
    void at(Nanos when, std::function<void()> action) { m_actions.emplace(when, std::move(action)); }
    void start() { m_alarm->wakeAt(m_actions.begin()->first); }

private:
    void fire()
    {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
        if (!m_actions.empty())
            start();
    }

    std::multimap<Nanos, std::function<void()>> m_actions;
    std::unique_ptr<platform::Alarm> m_alarm;
};

// The X server's DAMAGE of the stimulus area, watched by a process of its own.
class PixelWatch {
public:
    PixelWatch(const QWidget &window, QRect area)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/damage_watch"),
                        {QString::number(window.winId()), QString::number(area.x()), QString::number(area.y()),
                         QString::number(area.width()), QString::number(area.height())});
        if (!m_process.waitForReadyRead(10'000) || !m_process.readLine().startsWith("watching"))
            std::fprintf(stderr, "  damage_watch did not start: no pixels\n");
    }
    // Stops watching, and returns when the pixels changed.
    std::vector<Nanos> stop()
    {
        m_process.closeWriteChannel();
        std::vector<Nanos> stamps;
        if (!m_process.waitForFinished(10'000))
            return stamps;
        for (const QByteArray &line : m_process.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                stamps.emplace_back(line.toLongLong());
        }
        return stamps;
    }

private:
    QProcess m_process;
};

} // namespace

int runTimelineChild(RecordingApplication &app, const Scenario &s, TimerKind kind, int round, Nanos start)
{
    PlannedRun plan = plannedRun(s, round);
    core::ExerciseState state = plan.state;
    std::vector<Click> &clicks = plan.clicks;
    RunRecord run;
    run.ours = kind != TimerKind::PlainQt;
    run.nominal = plan.onsets;
    // The program's own time keeping, as it starts it; the schedule's alarm shares it.
    platform::keepTimeOnThisThread();
    platform::WakePlanner planner(platform::sleepsPrecisely(platform::systemClock()));
    WakeLog wakes(planner, true);

    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(start));
    PlainQtTimeSource plainQt;
    std::optional<platform::ClockTimeSource> ours;
    if (kind != TimerKind::PlainQt)
        ours.emplace(platform::systemClock(), wakes.alarms(kind == TimerKind::Linux));
    WatchedSource source(ours ? static_cast<platform::TimeSource &>(*ours) : plainQt);
    platform::RandomSource random(platform::systemClock());
    // As the settings window's Start does: make the window, then show it at once.
    windows::frm_werk window(state, random, source);
    run.origin = source.origin.value_or(steadyNow());
    run.waitedAtStart = runQueueWaitNow();
    const Nanos cpuFrom = cpuNow();
    auto *stimulus = window.findChild<QLabel *>(QStringLiteral("txt_string"));
    auto *picture = window.findChild<QLabel *>(QStringLiteral("Picture1"));
    const auto onset = [&](bool) { run.handled.push_back(source.onsetNow()); };
    const ShowHideWatch stimulusWatch(stimulus, onset);
    const ShowHideWatch pauseWatch(picture, onset);
    std::optional<PixelWatch> pixels;
    if (!s.cpu && QGuiApplication::platformName() == u"xcb")
        pixels.emplace(window, stimulus->geometry().united(picture->geometry()));
    window.show();

    Schedule schedule(planner);
    const auto at = [&](std::int64_t us) { return run.origin + std::chrono::microseconds(us); };
    int stepNumber = 0;
    for (const Onset &onset : run.nominal) {
        if (onset.kind == Onset::Kind::PauseEnd)
            continue;
        ++stepNumber;
        if (std::find(s.holdUpSteps.begin(), s.holdUpSteps.end(), stepNumber) == s.holdUpSteps.end())
            continue;
        const Nanos from = at(onset.atUs) - holdUpLead;
        run.holdUps.emplace_back(from, from + holdUpLength);
        schedule.at(from, [] { std::this_thread::sleep_for(holdUpLength); }); // a slow handler
    }
    auto *faster = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *slower = window.findChild<QPushButton *>(QStringLiteral("Command2"));
    for (const Click &click : clicks)
        schedule.at(at(click.atUs), [=] { (click.faster ? faster : slower)->click(); });
    QEventLoop loop;
    schedule.at(at(plan.untilUs), [&] { loop.quit(); });
    schedule.start();
    loop.exec();

    const Nanos cpu = cpuNow() - cpuFrom;
    const Nanos wall = steadyNow() - run.origin;
    if (pixels)
        run.pixels = pixels->stop();
    // The timeline the engine should have had with the clicks at the moments they came.
    for (std::size_t i = 0; i < clicks.size() && i < source.clicks.size(); ++i)
        clicks[i].atUs = std::chrono::duration_cast<std::chrono::microseconds>(source.clicks[i] - run.origin).count();
    if (!clicks.empty())
        run.nominal = nominalOnsets(plan.state, clicks, plan.untilUs);
    run.events = app.events;
    run.wakes = wakes.wakes;

    ChildResult result;
    result.onsets = joinOnsets(run);
    result.clicks = clickRows(run, clicks, result.onsets);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    result.cpu = {100.0 * double(cpu.count()) / double(wall.count()), double(usage.ru_maxrss) / 1024.0};
    writeChildResult(result);
    return 0;
}

int runStartupChild()
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QStringLiteral("frm_hoofd") && w->windowHandle() && w->windowHandle()->isExposed()) {
                std::printf("shown %lld\n", static_cast<long long>(steadyNow().count()));
                std::fflush(stdout);
                poll->stop();
                platform::endProgram(0);
            }
        }
    });
    poll->start(1);
    return windows::runProgram();
}

} // namespace bench
