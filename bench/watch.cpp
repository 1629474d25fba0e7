// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/watch.h"

namespace bench {

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

ThreadMoment threadNow()
{
    const Nanos at = steadyNow();
    const Nanos cpu = threadCpuNow();
    return {at, cpu, runQueueWaitNow()};
}

} // namespace bench
