// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/thread_timing.h"

#include <QThread>

#include <windows.h>
#include <timeapi.h>

namespace platform {

namespace {

// Windows ends timed waits and timer messages on its timer tick, 15.6 ms
// unless a program asks for less; 1 ms while the program runs, as stimulus
// software does. Windows drops the request when the process ends in any case.
class SystemTimerResolution {
public:
    SystemTimerResolution()
        : m_raised(timeBeginPeriod(1) == TIMERR_NOERROR)
    {
    }
    ~SystemTimerResolution()
    {
        if (m_raised)
            timeEndPeriod(1);
    }
    SystemTimerResolution(const SystemTimerResolution &) = delete;
    SystemTimerResolution &operator=(const SystemTimerResolution &) = delete;

private:
    bool m_raised;
};

} // namespace

void keepTimeOnThisThread()
{
    static const SystemTimerResolution resolution;
    // A higher priority within the normal class gets the woken thread a core sooner.
    QThread::currentThread()->setPriority(QThread::HighestPriority);
}

bool keepsTimeOnThisThread()
{
    return QThread::currentThread()->priority() == QThread::HighestPriority;
}

} // namespace platform
