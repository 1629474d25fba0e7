// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/thread_timing.h"

#include <QThread>

namespace platform {

void keepTimeOnThisThread()
{
    // Where threads have priorities within the normal class (Windows, macOS),
    // a higher one gets the woken thread a core sooner. There is no timer
    // slack to drop: waits there end when the system's timer resolution lets them.
    QThread::currentThread()->setPriority(QThread::HighestPriority);
}

bool keepsTimeOnThisThread()
{
    return QThread::currentThread()->priority() == QThread::HighestPriority;
}

} // namespace platform
