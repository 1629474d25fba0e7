// SPDX-License-Identifier: GPL-3.0-or-later
// How the program keeps time on a desktop with no wait of its own here, and
// in the portable build: every alarm sleeps on a precise QTimer.
#include "platform/clock.h"
#include "platform/system_time.h"

#include <QThread>

namespace platform {

std::unique_ptr<SystemWait> makeSystemWait(const Clock & /*clock*/, std::function<void()> /*onWake*/)
{
    return nullptr;
}

// One wait, never a loop: what is left goes to the caller's paid busy finish.
void SteadyClock::sleepUntil(std::chrono::nanoseconds at) const
{
    sleepOnQt(at);
}

// Where threads have priorities within the normal class (Windows, macOS), a
// higher one gets the woken thread a core sooner.
void keepTimeOnThisThread()
{
    QThread::currentThread()->setPriority(QThread::HighestPriority);
}

} // namespace platform
