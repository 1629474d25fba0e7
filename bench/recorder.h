// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "platform/wake_planner.h"

#include <QApplication>

#include <chrono>
#include <cstdint>
#include <vector>

namespace bench {

using Nanos = std::chrono::nanoseconds;

[[nodiscard]] Nanos steadyNow();
[[nodiscard]] Nanos cpuNow();       // of this process, all threads
[[nodiscard]] Nanos threadCpuNow(); // of the calling thread
// How long the calling thread has been ready to run but waiting for a core,
// all told (Linux's schedstat); zero where the system does not say.
[[nodiscard]] Nanos runQueueWaitNow();

// One event the application dispatched from its event loop.
struct DispatchedEvent {
    Nanos start;
    Nanos end;
    Nanos cpu; // the thread's CPU time in it: less than end - start if the thread lost its core
    int type;  // QEvent::Type
};

// The application, noting how long each event from the event loop takes, so
// a late step can be traced to what held the thread.
class RecordingApplication final : public QApplication {
    Q_OBJECT

public:
    RecordingApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    std::vector<DispatchedEvent> events;

private:
    int m_depth = 0;
};

// A step or a pause end as the handler saw it.
struct HandledOnset {
    Nanos at;
    Nanos threadCpu; // the thread's CPU time then: wall time it did not get is time the system gave away
    Nanos waited;    // its run-queue wait then
};

// Watches the engine through the window's observer seam: when each onset was
// handled, and the CPU time and the steps while the stimuli flash.
class OnsetRecorder final : public core::ExerciseView {
public:
    void setStimulusText(std::string_view) override {}
    [[nodiscard]] bool isStimulusVisible() const override { return m_visible; }
    void setStimulusVisible(bool visible) override;
    void setPauseVisible(bool visible) override;
    void setIntervalText(std::string_view) override;
    void setSeriesText(std::string_view) override {}
    void setPacingEnabled(bool enabled) override;
    void setPauseInterval(std::int32_t) override {}
    void setPauseEnabled(bool) override {}

    void startFlashing(); // the pacing timer runs from the start
    void stopFlashing() { setPacingEnabled(false); }

    std::vector<HandledOnset> onsets;
    Nanos waitedAtStart{0}; // the thread's run-queue wait when the pacing started
    Nanos flashingCpu{0};
    Nanos flashingWall{0};
    int flashingSteps = 0;

private:
    HandledOnset m_step{};
    bool m_inStep = false;
    bool m_visible = false;
    bool m_flashing = false;
    Nanos m_cpuFrom{0};
    Nanos m_wallFrom{0};
};

// Every alarm the program fired, as the event loop's planner saw it.
class WakeLog {
public:
    explicit WakeLog(platform::WakePlanner &planner);
    ~WakeLog();
    WakeLog(const WakeLog &) = delete;
    WakeLog &operator=(const WakeLog &) = delete;

    std::vector<platform::WakePlanner::Record> records;
    std::vector<Nanos> threadCpu; // at each record

private:
    platform::WakePlanner &m_planner;
};

} // namespace bench
