// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

#ifdef TARVELIN_HAVE_WAITABLE_TIMER
#include "platform/high_resolution_timer.h"
#endif

#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>

namespace platform {

std::chrono::nanoseconds SteadyClock::now() const
{
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    // One wait, never a loop: where the system rounds a wait down to nothing
    // it returns early and the caller's busy finish, which it pays for, waits.
#ifdef TARVELIN_HAVE_WAITABLE_TIMER
    // A plain timed wait on Windows ends on a whole millisecond at best.
    thread_local HighResolutionTimer timer;
    if (timer.isValid()) {
        timer.fireAt(now(), at);
        timer.wait();
        return;
    }
#endif
    thread_local QMutex mutex;
    thread_local QWaitCondition nobodyWakesIt;
    const std::chrono::steady_clock::time_point until{std::chrono::duration_cast<std::chrono::steady_clock::duration>(at)};
    QMutexLocker lock(&mutex);
    nobodyWakesIt.wait(&mutex, QDeadlineTimer(until, Qt::PreciseTimer));
}

bool SteadyClock::sleepsPrecisely() const
{
    // Tried once: sleeps of 0.2 ms, most of which must end within 0.5 ms after
    // the moment; one that a busy start-up delays does not decide. Where waits
    // are whole milliseconds or coarser (Windows, as a rule), they end early or
    // late, and the alarms finish in a busy loop alone. On Windows the trial
    // runs on the high-resolution timer where there is one.
    static const bool precise = [this] {
        using namespace std::chrono_literals;
        constexpr int tries = 5;
        int good = 0;
        for (int i = 0; i < tries && good < 3 && i - good < 3; ++i) {
            const std::chrono::nanoseconds at = now() + 200us;
            sleepUntil(at);
            const std::chrono::nanoseconds late = now() - at;
            if (late >= 0ns && late <= 500us)
                ++good;
        }
        return good >= 3;
    }();
    return precise;
}

Clock &systemClock()
{
    static SteadyClock clock;
    return clock;
}

} // namespace platform
