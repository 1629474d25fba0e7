// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/host.h"

#include <QApplication>

#include <vector>

namespace bench {

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
public:
    RecordingApplication(int &argc, char **argv)
        : QApplication(argc, argv)
    {
        events.reserve(1 << 20);
    }

    bool notify(QObject *receiver, QEvent *event) override
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

    std::vector<DispatchedEvent> events;

private:
    int m_depth = 0;
};

// A moment of the thread: wall time first, as it is the moment; the rest
// describe the thread then.
struct ThreadMoment {
    Nanos at;
    Nanos threadCpu; // wall time the thread did not get is time the system gave away
    Nanos waited;    // its run-queue wait, all told
};

[[nodiscard]] inline ThreadMoment threadNow()
{
    const Nanos at = steadyNow();
    const Nanos cpu = threadCpuNow();
    return {at, cpu, runQueueWaitNow()};
}

} // namespace bench
