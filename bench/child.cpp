// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/child.h"

#include "bench/nominal.h"
#include "bench/onset_analysis.h"
#include "bench/pixel_probe.h"
#include "bench/plain_qt_time.h"
#include "bench/recorder.h"
#include "core/exercise_state.h"
#include "platform/alarm.h"
#include "platform/clock.h"
#include "platform/early_wake_alarm.h"
#include "platform/random_source.h"
#include "platform/thread_timing.h"
#include "platform/timer.h"
#include "platform/wake_planner.h"
#include "platform/window_services.h"
#include "windows/frm_werk.h"
#include "windows/program.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <atomic>
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

// Notes when the first of its timers is enabled: the exercise window's pacing
// timer, whose start is the origin of the nominal timeline.
class OriginSource final : public platform::TimeSource {
public:
    explicit OriginSource(platform::TimeSource &inner)
        : m_inner(inner)
    {
    }

    std::unique_ptr<platform::TimerBackend> makeTimer(std::function<void()> onTick) override
    {
        return std::make_unique<Backend>(m_inner.makeTimer(std::move(onTick)), *this);
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

private:
    class Backend final : public platform::TimerBackend {
    public:
        Backend(std::unique_ptr<platform::TimerBackend> inner, OriginSource &source)
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
        OriginSource &m_source;
    };

    platform::TimeSource &m_inner;
};

// The program's clock, noting the CPU time the thread spends in the alarms'
// own short sleeps: beside the busy finish, what our timers add to a step.
class SleepCountingClock final : public platform::Clock {
public:
    explicit SleepCountingClock(const platform::Clock &inner)
        : m_inner(inner)
    {
    }

    [[nodiscard]] Nanos now() const override { return m_inner.now(); }
    void sleepUntil(Nanos at) const override
    {
        const Nanos from = threadCpuNow();
        m_inner.sleepUntil(at);
        sleptCpu += threadCpuNow() - from;
    }

    mutable Nanos sleptCpu{0};

private:
    const platform::Clock &m_inner;
};

std::unique_ptr<platform::TimeSource> makeSource(TimerKind kind, const platform::Clock &clock,
                                                platform::WakePlanner &planner)
{
    switch (kind) {
    case TimerKind::Linux:
        return std::make_unique<platform::ClockTimeSource>(clock, platform::systemAlarms(planner));
    case TimerKind::Portable:
        return std::make_unique<platform::ClockTimeSource>(clock, platform::portableAlarms(planner));
    case TimerKind::PlainQt:
        return std::make_unique<PlainQtTimeSource>();
    }
    return nullptr;
}

// Runs actions at set moments on an alarm of its own, so the clicks and the
// hold-ups are on time whatever timers the window has.
class Schedule {
public:
    explicit Schedule(platform::WakePlanner &planner)
        : m_alarm(platform::makeSystemAlarm(platform::systemClock(), planner, [this] { fire(); }))
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

// Keeps every core busy while it lives; bounded even if the run goes wrong.
class BusyLoad {
public:
    BusyLoad()
    {
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_threads.emplace_back([this, deadline] {
                volatile std::uint64_t x = 0;
                while (!m_stop.load(std::memory_order_relaxed) && std::chrono::steady_clock::now() < deadline)
                    x = x + 1;
            });
    }
    ~BusyLoad()
    {
        m_stop = true;
        for (auto &thread : m_threads)
            thread.join();
    }
    BusyLoad(const BusyLoad &) = delete;
    BusyLoad &operator=(const BusyLoad &) = delete;

private:
    std::atomic<bool> m_stop = false;
    std::vector<std::thread> m_threads;
};

} // namespace

int runTimelineChild(RecordingApplication &app, const Scenario &s, TimerKind kind, int round, Nanos start)
{
    PlannedRun plan = plannedRun(s, round);
    core::ExerciseState state = plan.state;
    std::vector<Click> &clicks = plan.clicks;
    const std::int64_t runUs = plan.untilUs;

    RunRecord run;
    run.ours = isOurs(kind);
    run.nominal = plan.onsets;
    // The program's own time keeping, as it starts it; the schedule's alarm shares it.
    platform::keepTimeOnThisThread();
    platform::WakePlanner planner(platform::sleepsPrecisely(platform::systemClock()));
    WakeLog wakes(planner);
    std::optional<BusyLoad> load;
    if (s.allCoresBusy)
        load.emplace();

    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(start));
    // Only where CPU time is measured: its two readings of the thread's CPU
    // clock would sit between an alarm's wake-up and its step.
    const SleepCountingClock countingClock(platform::systemClock());
    auto inner = makeSource(kind, s.cpu ? static_cast<const platform::Clock &>(countingClock) : platform::systemClock(),
                            planner);
    OriginSource source(*inner);
    platform::RandomSource random(platform::systemClock());
    // As the settings window's Start does: make the window, then show it at once.
    windows::frm_werk window(state, random, source);
    OnsetRecorder recorder;
    window.setObserver(&recorder);
    recorder.startFlashing();
    const Nanos cpuFrom = cpuNow();
    run.origin = source.origin.value_or(steadyNow());

    std::optional<PixelProbe> probe;
    if (!s.cpu && QGuiApplication::platformName() == u"xcb") {
        const auto *stimulus = window.findChild<QLabel *>(QStringLiteral("txt_string"));
        const auto *picture = window.findChild<QLabel *>(QStringLiteral("Picture1"));
        probe.emplace(window.winId(), stimulus->geometry().united(picture->geometry()));
    }
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
    schedule.at(at(runUs), [&] { loop.quit(); });
    schedule.start();
    loop.exec();

    recorder.stopFlashing();
    const Nanos cpu = cpuNow() - cpuFrom;
    const Nanos wall = steadyNow() - run.origin;
    if (probe)
        run.pixels = probe->stop();
    load.reset();
    // The timeline the engine should have had with the clicks at the moments they came.
    for (std::size_t i = 0; i < clicks.size() && i < source.clicks.size(); ++i)
        clicks[i].atUs = std::chrono::duration_cast<std::chrono::microseconds>(source.clicks[i] - run.origin).count();
    if (!clicks.empty())
        run.nominal = nominalOnsets(plan.state, clicks, runUs);
    run.handled = recorder.onsets;
    run.waitedAtStart = recorder.waitedAtStart;
    run.events = app.events;
    run.wakes = wakes.records;
    run.wakeThreadCpu = wakes.threadCpu;

    const std::vector<OnsetRow> rows = joinOnsets(run);
    for (const OnsetRow &row : rows)
        std::printf("%s\n", qPrintable(toLine(row)));
    for (const ClickError &error : clickErrors(run, clicks, rows))
        std::printf("click %.4f %d %d\n", error.ms, error.machines ? 1 : 0, error.unexplained ? 1 : 0);
    Nanos spun{0};
    for (const auto &wake : run.wakes) {
        if (wake.finishWoke < wake.deadline)
            spun += wake.fired - wake.finishWoke; // the spin alone: the thread's own sleep before it costs nothing
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("cpu %.4f %.4f %d %.4f %ld %d %.4f %.4f\n", 100.0 * double(cpu.count()) / double(wall.count()),
                std::chrono::duration<double, std::milli>(recorder.flashingCpu).count(), recorder.flashingSteps,
                std::chrono::duration<double, std::milli>(recorder.flashingWall).count(), usage.ru_maxrss,
                probe && probe->isWatching() ? 1 : 0, std::chrono::duration<double, std::milli>(spun).count(),
                std::chrono::duration<double, std::milli>(countingClock.sleptCpu).count());
    std::fflush(stdout);
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
