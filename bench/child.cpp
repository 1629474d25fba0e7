// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/child.h"

#include "bench/nominal.h"
#include "bench/onset_analysis.h"
#include "bench/pixel_probe.h"
#include "bench/plain_qt_time.h"
#include "bench/processes.h"
#include "bench/watch.h"
#include "core/exercise_state.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/random_source.h"
#include "platform/system_time.h"
#include "platform/timer.h"
#include "platform/window_services.h"
#include "tests/support/show_hide_watch.h"
#include "windows/frm_werk.h"
#include "windows/program.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <cstdio>
#include <map>
#include <memory>
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
        ThreadMoment moment = threadNow();
        if (inTick)
            moment.at = tickStart;
        return moment;
    }
    void runBetweenTicks(const std::function<void()> &event) override
    {
        m_inner.runBetweenTicks([&] {
            clicks.push_back(steadyNow()); // after the ticks due before it: its moment for the engine
            event();
        });
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
        [[nodiscard]] bool isEnabled() const override { return m_inner->isEnabled(); }
        void setLookahead(std::function<std::int64_t()> f) override { m_inner->setLookahead(std::move(f)); }

    private:
        std::unique_ptr<platform::TimerBackend> m_inner;
        WatchedSource &m_source;
    };

    platform::TimeSource &m_inner;
};

std::unique_ptr<platform::TimeSource> makeSource(TimerKind kind, WakeLog &wakes)
{
    if (kind == TimerKind::PlainQt)
        return std::make_unique<PlainQtTimeSource>();
    return std::make_unique<platform::ClockTimeSource>(platform::systemClock(), wakes.alarms(kind == TimerKind::Linux));
}

// What the window does while the stimuli flash, the pauses left out: its steps
// and the CPU time they take.
struct Flashing {
    void pause(bool paused)
    {
        if (paused)
            cpu += cpuNow() - m_cpuFrom;
        else
            m_cpuFrom = cpuNow();
        m_paused = paused;
    }
    void step()
    {
        if (!m_paused)
            ++steps;
    }

    Nanos cpu{0};
    int steps = 0;

private:
    bool m_paused = true;
    Nanos m_cpuFrom{0};
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
    void start() { armNext(); }

private:
    void armNext()
    {
        if (m_actions.empty())
            return;
        m_alarm->wakeAt(m_actions.begin()->first);
    }
    void fire()
    {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
        armNext();
    }

    std::multimap<Nanos, std::function<void()>> m_actions;
    std::unique_ptr<platform::Alarm> m_alarm;
};

} // namespace

int runTimelineChild(RecordingApplication &app, const Scenario &s, TimerKind kind, int round, Nanos start)
{
    PlannedRun plan = plannedRun(s, round);
    core::ExerciseState state = plan.state;
    std::vector<Click> &clicks = plan.clicks;
    RunRecord run;
    run.ours = isOurs(kind);
    run.nominal = plan.onsets;
    // The program's own time keeping, as it starts it; the schedule's alarm shares it.
    platform::keepTimeOnThisThread();
    platform::WakePlanner planner(platform::sleepsPrecisely(platform::systemClock()));
    WakeLog wakes(planner, s.cpu ? WakeLog::CpuReadings::AtFiringAndSleeps : WakeLog::CpuReadings::AtFiring);
    std::vector<std::jthread> load; // keeps every core busy while it runs
    for (unsigned i = 0; s.allCoresBusy && i < std::max(2u, std::thread::hardware_concurrency()); ++i)
        load.emplace_back([](std::stop_token stop) {
            while (!stop.stop_requested()) {
            }
        });

    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(start));
    auto inner = makeSource(kind, wakes);
    WatchedSource source(*inner);
    platform::RandomSource random(platform::systemClock());
    // As the settings window's Start does: make the window, then show it at once.
    windows::frm_werk window(state, random, source);
    run.origin = source.origin.value_or(steadyNow());
    run.waitedAtStart = runQueueWaitNow();
    Flashing flashing;
    flashing.pause(false);
    const Nanos cpuFrom = cpuNow();
    auto *stimulus = window.findChild<QLabel *>(QStringLiteral("txt_string"));
    auto *picture = window.findChild<QLabel *>(QStringLiteral("Picture1"));
    const ShowHideWatch stimulusWatch(stimulus, [&](bool) {
        run.handled.push_back(source.onsetNow());
        flashing.step();
    });
    const ShowHideWatch pauseWatch(picture, [&](bool shown) {
        run.handled.push_back(source.onsetNow());
        flashing.step();
        flashing.pause(shown);
    });
    std::optional<PixelProbe> probe;
    if (!s.cpu && QGuiApplication::platformName() == u"xcb")
        probe.emplace(window.winId(), stimulus->geometry().united(picture->geometry()));
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

    flashing.pause(true);
    const Nanos cpu = cpuNow() - cpuFrom;
    const Nanos wall = steadyNow() - run.origin;
    if (probe)
        run.pixels = probe->stop();
    load.clear();
    // The timeline the engine should have had with the clicks at the moments they came.
    for (std::size_t i = 0; i < clicks.size() && i < source.clicks.size(); ++i)
        clicks[i].atUs = std::chrono::duration_cast<std::chrono::microseconds>(source.clicks[i] - run.origin).count();
    if (!clicks.empty())
        run.nominal = nominalOnsets(plan.state, clicks, plan.untilUs);
    run.events = app.events;
    run.wakes = wakes.wakes;

    const std::vector<OnsetRow> rows = joinOnsets(run);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](Nanos d) { return std::chrono::duration<double, std::milli>(d).count(); };
    const CpuFigures figures{100.0 * double(cpu.count()) / double(wall.count()), ms(flashing.cpu), flashing.steps,
                             double(usage.ru_maxrss) / 1024.0, ms(wakes.spun()), ms(wakes.sleptCpu)};
    writeChildResult(figures, probe && probe->isWatching(), rows, clickErrors(run, clicks, rows));
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
