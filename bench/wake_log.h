// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench/host.h"
#include "platform/timer.h"

#include <vector>

namespace platform {
class WakePlanner;
}

namespace bench {

// What one of our alarms did, from its request to its call.
struct AlarmWake {
    Nanos deadline{0};
    Nanos margin{0};     // how early it wanted to wake
    Nanos askedFor{0};   // the wake-up last asked of the system's wait
    Nanos woke{0};       // the wake-up that led to the call
    Nanos finishFrom{0}; // the thread's own sleep after it: asked until, and woken at;
    Nanos finishWoke{0}; // both `woke` if it did not sleep
    Nanos fired{0};      // when it called back
    bool outOfReserve = false; // it slept on: the busy finish could not cover the rest
    Nanos threadCpu{0};  // the thread's CPU time when it called back
};

// Makes the program's alarms as the program does, each watched through the
// parts it is made of: the wait it sleeps on, the clock it reads and sleeps
// on, and its callback.
class WakeLog {
public:
    // `readThreadCpu`: whether it reads the thread's CPU clock at each
    // callback (`threadCpu`), a reading between a wake-up and its callback.
    WakeLog(platform::WakePlanner &planner, bool readThreadCpu);

    // On this system's own wait, or on the portable one.
    [[nodiscard]] platform::AlarmFactory alarms(bool system);

    std::vector<AlarmWake> wakes;

private:
    friend class WatchedAlarm;
    platform::WakePlanner &m_planner;
    bool m_readThreadCpu;
};

} // namespace bench
