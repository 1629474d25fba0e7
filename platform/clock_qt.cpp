// SPDX-License-Identifier: GPL-3.0-or-later
// The steady clock on every desktop; how its thread sleeps is the system's
// (clock_<system>.cpp).
#include "platform/clock.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>

namespace platform {

std::chrono::nanoseconds SteadyClock::now() const
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

void sleepOnQt(std::chrono::nanoseconds at)
{
    thread_local QMutex mutex;
    thread_local QWaitCondition nobodyWakesIt;
    const std::chrono::steady_clock::time_point until{std::chrono::duration_cast<std::chrono::steady_clock::duration>(at)};
    QMutexLocker lock(&mutex);
    nobodyWakesIt.wait(&mutex, QDeadlineTimer(until, Qt::PreciseTimer));
}

Clock &systemClock()
{
    static SteadyClock clock;
    return clock;
}

} // namespace platform
