// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace bench {

Nanos steadyNow()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

namespace {

Nanos readClock(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return std::chrono::seconds(t.tv_sec) + Nanos(t.tv_nsec);
}

} // namespace

Nanos cpuNow()
{
    return readClock(CLOCK_PROCESS_CPUTIME_ID);
}

Nanos threadCpuNow()
{
    return readClock(CLOCK_THREAD_CPUTIME_ID);
}

Nanos runQueueWaitNow()
{
    // Kept open: reading again costs a few µs, opening again many more.
    thread_local const int fd = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    char text[96] = {};
    if (fd < 0 || ::pread(fd, text, sizeof text - 1, 0) <= 0)
        return Nanos{0};
    char *rest = nullptr;
    std::strtoull(text, &rest, 10); // time on a core
    return Nanos(std::strtoull(rest, nullptr, 10));
}

namespace {

// Wall time first: it is the onset's moment; the rest describe the thread then.
HandledOnset handledNow()
{
    const Nanos at = steadyNow();
    const Nanos cpu = threadCpuNow();
    return {at, cpu, runQueueWaitNow()};
}

} // namespace

RecordingApplication::RecordingApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    events.reserve(1 << 20);
}

bool RecordingApplication::notify(QObject *receiver, QEvent *event)
{
    if (m_depth > 0)
        return QApplication::notify(receiver, event);
    ++m_depth;
    const Nanos start = steadyNow();
    const Nanos cpuStart = threadCpuNow();
    const int type = event->type();
    const bool result = QApplication::notify(receiver, event);
    events.push_back({start, steadyNow(), threadCpuNow() - cpuStart, type});
    --m_depth;
    return result;
}

void OnsetRecorder::setIntervalText(std::string_view)
{
    // The first thing a step does; whether it shows, hides or pauses comes next.
    m_step = handledNow();
    m_inStep = true;
    if (m_flashing)
        ++flashingSteps;
}

void OnsetRecorder::setStimulusVisible(bool visible)
{
    if (m_inStep && visible != m_visible)
        onsets.push_back(m_step);
    m_visible = visible;
}

void OnsetRecorder::setPauseVisible(bool visible)
{
    onsets.push_back(visible ? m_step : handledNow());
    m_inStep = false;
}

void OnsetRecorder::startFlashing()
{
    waitedAtStart = runQueueWaitNow();
    m_flashing = false;
    setPacingEnabled(true);
}

void OnsetRecorder::setPacingEnabled(bool enabled)
{
    if (enabled == m_flashing)
        return;
    m_flashing = enabled;
    if (enabled) {
        m_cpuFrom = cpuNow();
        m_wallFrom = steadyNow();
    } else {
        flashingCpu += cpuNow() - m_cpuFrom;
        flashingWall += steadyNow() - m_wallFrom;
    }
}

WakeLog::WakeLog(platform::WakePlanner &planner)
    : m_planner(planner)
{
    records.reserve(1 << 16);
    threadCpu.reserve(1 << 16);
    m_planner.setRecorder([this](const platform::WakePlanner::Record &record) {
        records.push_back(record);
        threadCpu.push_back(threadCpuNow());
    });
}

WakeLog::~WakeLog()
{
    m_planner.setRecorder({});
}

} // namespace bench
