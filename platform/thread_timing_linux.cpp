// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/thread_timing.h"

#include <linux/sched/types.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void keepTimeOnThisThread()
{
    // No timer slack: Linux would otherwise let a timed wait end up to 50 µs late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    // A short time slice (Linux 6.12 and later; earlier ones ignore it): the
    // scheduler then lets the thread, once woken, take its core from a task
    // with the usual longer slice instead of waiting for that slice to end.
    // Everything else about the thread's scheduling, its nice value too, stays.
    sched_attr attr{};
    if (syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0) != 0)
        return;
    constexpr unsigned long long slice = 500'000; // ns: a step's handler and busy finish fit in it
    attr.size = sizeof attr;
    attr.sched_runtime = slice;
    attr.sched_flags = 0;
    syscall(SYS_sched_setattr, 0, &attr, 0);
}

} // namespace platform
