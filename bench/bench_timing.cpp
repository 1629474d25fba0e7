// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how closely the real exercise window keeps to its nominal timeline,
// with the clock-keeping timers and, side by side, with plain Qt timers. Each
// run is a pair of child processes of this binary, one per timer kind, started
// together, so both meet the same machine without sharing an event loop.
// Writes the tables, with the machine they ran on, to the file named by the
// first argument, and every step's error to .dat files in the folder named by
// the second, for bench/timing.gp to draw.
#include "core/exercise_state.h"
#include "core/module1.h"
#include "core/pacing_engine.h"
#include "platform/alarm.h"
#include "platform/clock.h"
#include "platform/random_source.h"
#include "platform/timer.h"
#include "platform/window_services.h"
#include "tests/core/fake_view.h"
#include "windows/frm_werk.h"
#include "windows/program.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSysInfo>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const char *const childVariable = "TARVELIN_BENCH_CHILD";

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(p * double(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

double mean(const std::vector<double> &values)
{
    double sum = 0;
    for (const double v : values)
        sum += v;
    return values.empty() ? std::nan("") : sum / double(values.size());
}

// One timeline run of the exercise window.
struct Scenario {
    const char *name;
    std::int32_t interval;
    std::size_t steps;
    std::size_t holdUpStep = 0;  // 1-based; the thread is held up for 60 ms over it
    std::size_t clickStep = 0;   // 1-based; "versnel" 25 ms before it
    bool busyLoad = false;
};

constexpr Scenario scenarios[] = {
    {"idle300", 300, 3 * 21 + 1},  // three series and the first step after them
    {"idle2000", 2000, 21},
    {"stall2000", 2000, 12, 4},
    {"click2000", 2000, 6, 0, 3},
    {"load300", 300, 3 * 21 + 1, 0, 0, true},
};

constexpr auto holdUp = 60ms;
constexpr auto holdUpLead = 30ms; // it starts this long before the step is due
constexpr auto clickLead = 25ms;

const Scenario *scenarioNamed(const QByteArray &name)
{
    for (const Scenario &s : scenarios) {
        if (name == s.name)
            return &s;
    }
    return nullptr;
}

// The step times of the exercise with exact timers, in ms after the window
// loads, with the "versnel" click of the scenario if it has one.
std::vector<std::int64_t> nominalSteps(const Scenario &s, std::int64_t clickMs)
{
    FrozenClock clock;
    platform::RandomSource random(clock);
    core::ExerciseState state;
    core::fillDefaults(state);
    state.flash_interval = s.interval;
    FakeView view;
    view.recordStepTimes = true;
    core::PacingEngine engine(state, view, random);
    TimerDriver timers(engine, view);
    engine.Form_Load();
    bool clicked = clickMs < 0;
    while (view.stepTimesMs.size() < s.steps) {
        if (!clicked && view.nowMs + core::tickPeriodMs > clickMs) {
            engine.Command1_Click(); // after every tick due before it
            clicked = true;
        }
        timers.advance();
    }
    return view.stepTimesMs;
}

// Watches one exercise window through its observer seam and its paint events.
class Recorder final : public QObject, public core::ExerciseView {
public:
    explicit Recorder(std::size_t steps)
        : stepsWanted(steps)
    {
    }

    void attach(windows::frm_werk &window)
    {
        loadedAt = Clock::now();
        window.setObserver(this);
        window.findChild<QLabel *>(QStringLiteral("txt_string"))->installEventFilter(this);
    }

    [[nodiscard]] bool done() const { return stepTimes.size() >= stepsWanted; }

    void setStimulusText(std::string_view) override {}
    bool isStimulusVisible() const override { return m_visible; }
    void setStimulusVisible(bool visible) override
    {
        if (visible && !m_visible)
            m_showPending = Clock::now();
        m_visible = visible;
    }
    void setPauseVisible(bool visible) override
    {
        if (visible)
            m_pauseStart = Clock::now();
        else
            pauses.emplace_back(m_pauseMs, msBetween(m_pauseStart, Clock::now()));
    }
    void setIntervalText(std::string_view) override { stepTimes.push_back(Clock::now()); }
    void setSeriesText(std::string_view) override {}
    void setPacingEnabled(bool) override {}
    void setPauseInterval(std::int32_t milliseconds) override { m_pauseMs = milliseconds; }
    void setPauseEnabled(bool) override {}

    std::size_t stepsWanted;
    Clock::time_point loadedAt;
    std::vector<Clock::time_point> stepTimes;
    std::vector<std::pair<std::int32_t, double>> pauses; // nominal, measured
    std::vector<double> paintLatencies;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_showPending) {
            paintLatencies.push_back(msBetween(*m_showPending, Clock::now()));
            m_showPending.reset();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_visible = false;
    std::int32_t m_pauseMs = 0;
    Clock::time_point m_pauseStart;
    std::optional<Clock::time_point> m_showPending;
};

// Keeps every core busy while it lives; bounded even if the run goes wrong.
class BusyLoad {
public:
    BusyLoad()
    {
        const auto deadline = Clock::now() + 60s;
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_threads.emplace_back([this, deadline] {
                volatile std::uint64_t x = 0;
                while (!m_stop.load(std::memory_order_relaxed) && Clock::now() < deadline)
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

// A child: one scenario on one timer kind. Prints "step <onset> <nominal>" per
// step (ms after the window loaded), "pause <nominal> <measured>" and "paint <ms>".
int childTimeline(const Scenario &s, bool plain)
{
    if (plain)
        platform::setTimerStyle(platform::TimerStyle::QtPlain);
    const std::int64_t clickMs =
        s.clickStep ? std::int64_t{s.interval / 2} * std::int64_t(s.clickStep) - clickLead.count() : -1;
    const auto nominal = nominalSteps(s, clickMs);
    std::optional<BusyLoad> load;
    if (s.busyLoad)
        load.emplace();

    core::ExerciseState state;
    core::fillDefaults(state);
    state.flash_interval = s.interval;
    platform::RandomSource random(platform::systemClock());
    windows::frm_werk window(state, random);
    Recorder recorder(s.steps);
    recorder.attach(window);
    window.show();

    // The hold-up and the click come on an alarm of their own, so they are on time
    // whichever timers the window has.
    const auto at = [&](std::int64_t ms) {
        return (recorder.loadedAt + std::chrono::milliseconds(ms)).time_since_epoch();
    };
    auto event = platform::makeSystemAlarm([&] {
        if (s.holdUpStep)
            std::this_thread::sleep_for(holdUp); // a slow handler holding up the thread
        else
            window.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    });
    if (s.holdUpStep)
        event->wakeAt(at(nominal[s.holdUpStep - 1] - std::chrono::milliseconds(holdUpLead).count()));
    else if (s.clickStep)
        event->wakeAt(at(clickMs));

    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (recorder.done())
            loop.quit();
    });
    check.start(50);
    loop.exec();
    load.reset();

    for (std::size_t i = 0; i < recorder.stepTimes.size() && i < nominal.size(); ++i)
        std::printf("step %.4f %lld\n", msBetween(recorder.loadedAt, recorder.stepTimes[i]),
                    static_cast<long long>(nominal[i]));
    for (const auto &[nominalMs, measured] : recorder.pauses)
        std::printf("pause %d %.4f\n", nominalMs, measured);
    for (const double latency : recorder.paintLatencies)
        std::printf("paint %.4f\n", latency);
    std::fflush(stdout);
    return 0;
}

// Start-up: the time from asking for the process to the settings window's first paint.
int childStartup()
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QStringLiteral("frm_hoofd") && w->windowHandle()
                && w->windowHandle()->isExposed()) {
                const auto now = Clock::now().time_since_epoch();
                std::printf("shown %lld\n", static_cast<long long>(now.count()));
                std::fflush(stdout);
                poll->stop();
                platform::endProgram(0);
            }
        }
    });
    poll->start(1);
    return windows::runProgram();
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Adds up the CPU time and the wall time while the stimuli flash, leaving out the pauses.
class FlashingCpu final : public core::ExerciseView {
public:
    void setStimulusText(std::string_view) override {}
    bool isStimulusVisible() const override { return false; }
    void setStimulusVisible(bool) override {}
    void setPauseVisible(bool) override {}
    void setIntervalText(std::string_view) override {}
    void setSeriesText(std::string_view) override {}
    void setPacingEnabled(bool enabled) override
    {
        if (enabled) {
            m_since = {cpuMs(), Clock::now()};
        } else if (m_since) {
            cpu += cpuMs() - m_since->first;
            wall += msBetween(m_since->second, Clock::now());
            m_since.reset();
        }
    }
    void setPauseInterval(std::int32_t) override {}
    void setPauseEnabled(bool) override {}

    void begin() { m_since = {cpuMs(), Clock::now()}; }
    void end() { setPacingEnabled(false); }

    double cpu = 0;
    double wall = 0;

private:
    std::optional<std::pair<double, Clock::time_point>> m_since;
};

// The real program for a while: Start with the given interval and no speed-ups,
// then report the process's CPU time over ten seconds, overall and while the
// stimuli flash, and its peak memory.
int childExercise(bool plain, const QString &interval)
{
    if (plain)
        platform::setTimerStyle(platform::TimerStyle::QtPlain);
    static FlashingCpu flashing;
    QTimer::singleShot(300, qApp, [interval] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QStringLiteral("frm_hoofd")) {
                w->findChild<QLineEdit *>(QStringLiteral("txt_start"))->setText(interval);
                w->findChild<QLineEdit *>(QStringLiteral("txt_speed"))->setText(QStringLiteral("0"));
                QTimer::singleShot(0, qApp, [] {
                    for (QWidget *exercise : QApplication::topLevelWidgets()) {
                        if (auto *werk = qobject_cast<windows::frm_werk *>(exercise))
                            werk->setObserver(&flashing);
                    }
                });
                w->findChild<QPushButton *>(QStringLiteral("cmd_start"))->click();
            }
        }
    });
    // Two seconds to settle, then ten measured; timers only, so nothing here sleeps.
    static double cpuBefore = 0;
    static Clock::time_point wallBefore;
    QTimer::singleShot(2300, qApp, [] {
        cpuBefore = cpuMs();
        wallBefore = Clock::now();
        flashing = FlashingCpu();
        flashing.begin(); // a pause may be running; its end restarts the count
    });
    QTimer::singleShot(12'300, qApp, [] {
        const double cpu = cpuMs() - cpuBefore;
        const double wall = msBetween(wallBefore, Clock::now());
        flashing.end();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("cpu %.3f\ncpuflashing %.3f\nmaxrss %ld\n", 100.0 * cpu / wall,
                    100.0 * flashing.cpu / flashing.wall, usage.ru_maxrss);
        std::fflush(stdout);
        platform::endProgram(0);
    });
    return windows::runProgram();
}

std::unique_ptr<QProcess> startChild(const QString &mode)
{
    auto child = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(childVariable), mode);
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {});
    return child;
}

QString finish(QProcess &child)
{
    child.waitForFinished(120'000);
    return QString::fromLatin1(child.readAllStandardOutput());
}

// Runs the two timer kinds of one mode at the same time; returns ours, then plain.
std::pair<QString, QString> runPair(const QString &mode)
{
    auto ours = startChild(u"ours "_qs + mode);
    auto plain = startChild(u"plain "_qs + mode);
    const QString plainOut = finish(*plain);
    return {finish(*ours), plainOut};
}

double startupMs()
{
    const auto asked = Clock::now().time_since_epoch();
    auto child = startChild(u"startup"_qs);
    const QString out = finish(*child);
    if (!out.startsWith(QStringLiteral("shown ")))
        return std::nan("");
    const auto shown = std::chrono::nanoseconds(out.mid(6).trimmed().toLongLong());
    return std::chrono::duration<double, std::milli>(shown - asked).count();
}

double field(const QString &out, const QString &name)
{
    for (const QString &line : out.split(u'\n')) {
        if (line.startsWith(name + u' '))
            return line.mid(name.size() + 1).toDouble();
    }
    return std::nan("");
}

struct Figures {
    std::vector<double> errors; // signed, ms, one per step
    double p50 = 0, p99 = 0, max = 0;
    double drift = 0;        // mean error over the last series (or the steps after a hold-up)
    double clickStep = 0;    // the step after the click: its onset error
    double halfCycle = 0;    // and the error of the half cycle that follows it
    double pause3500 = 0, pause5500 = 0;
    double paintP50 = 0, paintP99 = 0;
};

Figures analyse(const Scenario &s, const QString &out)
{
    Figures f;
    std::vector<double> onsets, nominals, paints;
    for (const QString &line : out.split(u'\n')) {
        const QStringList parts = line.split(u' ');
        if (parts.size() == 3 && parts[0] == u"step") {
            onsets.push_back(parts[1].toDouble());
            nominals.push_back(parts[2].toDouble());
            f.errors.push_back(onsets.back() - nominals.back());
        } else if (parts.size() == 3 && parts[0] == u"pause") {
            const double error = std::abs(parts[2].toDouble() - parts[1].toDouble());
            double &worst = parts[1] == u"5500" ? f.pause5500 : f.pause3500;
            worst = std::max(worst, error);
        } else if (parts.size() == 2 && parts[0] == u"paint") {
            paints.push_back(parts[1].toDouble());
        }
    }
    std::vector<double> magnitudes;
    for (const double e : f.errors)
        magnitudes.push_back(std::abs(e));
    f.p50 = percentile(magnitudes, 0.5);
    f.p99 = percentile(magnitudes, 0.99);
    f.max = percentile(magnitudes, 1.0);
    // Drift is the offset the timeline has built up, so average out the jitter
    // of single wake-ups rather than read one step.
    const std::size_t from = s.holdUpStep ? s.holdUpStep : f.errors.size() - std::min<std::size_t>(f.errors.size(), 21);
    f.drift = mean(std::vector<double>(f.errors.begin() + std::ptrdiff_t(std::min(from, f.errors.size())), f.errors.end()));
    if (s.clickStep && onsets.size() > s.clickStep) {
        const std::size_t k = s.clickStep - 1;
        f.clickStep = std::abs(f.errors[k]);
        f.halfCycle = std::abs((onsets[k + 1] - onsets[k]) - (nominals[k + 1] - nominals[k]));
    } else {
        f.clickStep = f.halfCycle = std::nan("");
    }
    f.paintP50 = percentile(paints, 0.5);
    f.paintP99 = percentile(paints, 0.99);
    return f;
}

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
    return QStringLiteral("%1, %2 cores; %3 %4; Qt %5; platform plugin %6; %7 build")
        .arg(cpu.isEmpty() ? QStringLiteral("unknown CPU") : cpu)
        .arg(std::thread::hardware_concurrency())
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion(), QString::fromLatin1(qVersion()),
             QGuiApplication::platformName(),
#ifdef NDEBUG
             QStringLiteral("optimised"));
#else
             QStringLiteral("debug"));
#endif
}

QString number(double value, int decimals = 2)
{
    return std::isnan(value) ? QStringLiteral("–") : QString::number(value, 'f', decimals);
}

// Every step's error in ms, ours beside plain, for the picture; log scales want
// no zero, so a magnitude below a microsecond is written as one.
void writeErrors(const QString &path, const Figures &ours, const Figures &plain)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "# step  |error| ours (ms)  |error| plain Qt (ms)\n";
    for (std::size_t i = 0; i < std::max(ours.errors.size(), plain.errors.size()); ++i) {
        const auto cell = [&](const Figures &f) {
            return i < f.errors.size() ? QString::number(std::max(std::abs(f.errors[i]), 0.001), 'f', 4)
                                       : QStringLiteral("NaN");
        };
        out << i + 1 << ' ' << cell(ours) << ' ' << cell(plain) << '\n';
    }
}

struct Target {
    QString what;
    double value;
    double limit;
};

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray child = qgetenv(childVariable);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (child == "startup")
        return childStartup();
    if (!child.isEmpty()) {
        const QList<QByteArray> words = child.split(' '); // kind, mode, argument
        const bool plain = words.value(0) == "plain";
        if (words.value(1) == "exercise")
            return childExercise(plain, QString::fromLatin1(words.value(2)));
        if (const Scenario *s = scenarioNamed(words.value(1)))
            return childTimeline(*s, plain);
        return 2;
    }

    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString dataDir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const auto benchStart = Clock::now();

    std::vector<std::pair<Figures, Figures>> runs;
    for (const Scenario &s : scenarios) {
        std::fprintf(stderr, "%s: interval %d, %zu steps, both timer kinds at once\n", s.name, s.interval, s.steps);
        const auto [ours, plain] = runPair(QString::fromLatin1(s.name));
        runs.emplace_back(analyse(s, ours), analyse(s, plain));
    }
    const auto &[idle300, idle300Plain] = runs[0];
    const auto &[idle2000, idle2000Plain] = runs[1];
    const auto &[stall, stallPlain] = runs[2];
    const auto &[click, clickPlain] = runs[3];
    const auto &[loaded, loadedPlain] = runs[4];

    std::fprintf(stderr, "the real program: 10 s of exercise at 2000, 300 and 20, then start-up five times\n");
    struct Cpu {
        double ours, plain, oursFlashing, plainFlashing, rssMb, rssPlainMb;
    };
    std::vector<Cpu> cpu;
    for (const char *interval : {"2000", "300", "20"}) {
        const auto [ours, plain] = runPair(u"exercise "_qs + QString::fromLatin1(interval));
        cpu.push_back({field(ours, u"cpu"_qs), field(plain, u"cpu"_qs), field(ours, u"cpuflashing"_qs),
                       field(plain, u"cpuflashing"_qs), field(ours, u"maxrss"_qs) / 1024.0,
                       field(plain, u"maxrss"_qs) / 1024.0});
    }
    std::vector<double> startups;
    for (int i = 0; i < 5; ++i)
        startups.push_back(startupMs());
    const double startup = percentile(startups, 0.5);

    QString table;
    QTextStream out(&table);
    const auto row = [&](const QString &what, double ours, double plain, int decimals = 3) {
        const double ratio = std::abs(ours) > 0 ? std::abs(plain / ours) : std::nan("");
        out << "| " << what << " | " << number(ours, decimals) << " | " << number(plain, decimals) << " | "
            << (std::isnan(ratio) ? QStringLiteral("–") : number(ratio, 1) + u'×') << " |\n";
    };
    const auto steps = [](const Figures &f) { return QStringLiteral(" (%1 steps)").arg(f.errors.size()); };
    out << "| figure (ms unless stated) | clock-keeping timers | plain Qt timers | plain / ours |\n";
    out << "|---|---:|---:|---:|\n";
    row(u"step onset error, cycle at 300, p50"_qs + steps(idle300), idle300.p50, idle300Plain.p50);
    row(u"step onset error, cycle at 300, p99"_qs + steps(idle300), idle300.p99, idle300Plain.p99);
    row(u"step onset error, cycle at 300, max"_qs + steps(idle300), idle300.max, idle300Plain.max);
    row(u"step onset error, one series at 2000, p50"_qs + steps(idle2000), idle2000.p50, idle2000Plain.p50);
    row(u"step onset error, one series at 2000, p99"_qs + steps(idle2000), idle2000.p99, idle2000Plain.p99);
    row(u"step onset error, one series at 2000, max"_qs + steps(idle2000), idle2000.max, idle2000Plain.max);
    row(u"drift at the end of the cycle at 300 (mean error of its last series)"_qs, idle300.drift, idle300Plain.drift);
    row(u"pause error, 3500 (worst)"_qs, idle300.pause3500, idle300Plain.pause3500);
    row(u"pause error, 5500"_qs, idle300.pause5500, idle300Plain.pause5500);
    row(u"show-to-paint latency, p50"_qs, idle300.paintP50, idle300Plain.paintP50);
    row(u"show-to-paint latency, p99"_qs, idle300.paintP99, idle300Plain.paintP99);
    row(u"60 ms hold-up over step 4 at 2000: that step's onset error"_qs, std::abs(stall.errors.at(3)),
        std::abs(stallPlain.errors.at(3)));
    row(u"60 ms hold-up at 2000: drift (mean error of the 8 steps after it)"_qs, stall.drift, stallPlain.drift);
    row(u"\"versnel\" 25 ms before step 3 at 2000: that step's onset error"_qs, click.clickStep, clickPlain.clickStep);
    row(u"\"versnel\" 25 ms before step 3 at 2000: error of the half cycle after it"_qs, click.halfCycle,
        clickPlain.halfCycle);
    row(u"all cores busy, cycle at 300: step onset error, p99"_qs, loaded.p99, loadedPlain.p99);
    row(u"all cores busy, cycle at 300: step onset error, max"_qs, loaded.max, loadedPlain.max);
    row(u"all cores busy, cycle at 300: drift"_qs, loaded.drift, loadedPlain.drift);
    row(u"CPU at 2000, % of one core"_qs, cpu[0].ours, cpu[0].plain);
    row(u"CPU at 300, % of one core"_qs, cpu[1].ours, cpu[1].plain);
    row(u"CPU at 20 (every tick a step), % of one core"_qs, cpu[2].ours, cpu[2].plain);
    row(u"CPU at 20 while flashing (pauses left out), % of one core"_qs, cpu[2].oursFlashing, cpu[2].plainFlashing);
    row(u"peak memory at 2000, MB"_qs, cpu[0].rssMb, cpu[0].rssPlainMb, 1);
    out << "| start-up to settings window shown (median of 5) | " << number(startup, 1) << " | | |\n";

    const std::vector<Target> targets = {
        {u"step onset p99 ≤ 0.2 ms"_qs, std::max(idle300.p99, idle2000.p99), 0.2},
        {u"step onset max ≤ 2 ms"_qs, std::max(idle300.max, idle2000.max), 2},
        {u"drift ≤ 1 ms"_qs, std::abs(idle300.drift), 1},
        {u"stall at 2000: drift ≤ 1 ms"_qs, std::abs(stall.drift), 1},
        {u"late click at 2000: half cycle error ≤ 0.5 ms"_qs, click.halfCycle, 0.5},
        {u"pause error ≤ 2 ms"_qs, std::max(idle300.pause3500, idle300.pause5500), 2},
        {u"show-to-paint p99 ≤ 5 ms"_qs, idle300.paintP99, 5},
        {u"CPU at 2000 and 300 < 1%"_qs, std::max(cpu[0].ours, cpu[1].ours), 1},
        {u"CPU at 20 ≤ plain Qt + 0.5"_qs, cpu[2].oursFlashing, cpu[2].plainFlashing + 0.5},
        {u"peak memory < 60 MB"_qs, cpu[0].rssMb, 60},
        {u"start-up < 300 ms"_qs, startup, 300},
    };
    bool allMet = true;
    out << "\n| target | measured | met or missed |\n|---|---:|---|\n";
    for (const Target &t : targets) {
        const bool met = !std::isnan(t.value) && t.value <= t.limit;
        allMet = allMet && met;
        out << "| " << t.what << " | " << number(t.value, 3) << " | " << (met ? "met" : "**missed**") << " |\n";
    }
    out.flush();

    if (!dataDir.isEmpty()) {
        writeErrors(dataDir + u"/timing-idle.dat"_qs, idle300, idle300Plain);
        writeErrors(dataDir + u"/timing-stall.dat"_qs, stall, stallPlain);
    }
    const QString heading = QStringLiteral("Machine: %1. Bench time %2 s.\n\n")
                                .arg(machine())
                                .arg(msBetween(benchStart, Clock::now()) / 1000.0, 0, 'f', 0);
    std::printf("\n%s%s", qPrintable(heading), qPrintable(table));
    if (!output.isEmpty()) {
        QFile file(output);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            QTextStream doc(&file);
            doc << "# Timing and resources\n\n"
                << "Written by `make bench` (`bench/bench_timing.cpp`). Each run shows the real exercise\n"
                << "window in two processes at once, one on the clock-keeping timers and one on plain Qt\n"
                << "timers, so both meet the same machine. Errors are measured against the timeline the\n"
                << "engine has with exact timers (with the click, where there is one). The hold-up blocks\n"
                << "the window's thread for 60 ms from 30 ms before step 4 is due.\n\n"
                << heading << table
                << "\n![Step onset error of every step](timing.svg)\n";
        }
    }
    return allMet ? 0 : 1;
}
