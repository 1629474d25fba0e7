// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <functional>

namespace platform {

// How an alarm that must not be late sleeps: it asks the event loop to wake it
// a learnt margin before its deadline and finishes the stretch left by
// watching the clock. Works on the times it is handed, so it reads no clock.
//
// The margin is an estimate of the 99.5th percentile of the wake-up lateness
// seen, which one outlier moves little. Where the thread itself can sleep to a
// fraction of a millisecond, it sleeps out most of that margin and only the
// last stretch, the short sleep's own margin, is a busy loop. The busy finish
// draws on a reserve that fills at 0.8% of the time going by and holds at
// most 2 ms, so over any second or longer it costs at most 1% of a core,
// whatever the pace; a short sleep, such as the one after a click, draws on
// time saved during earlier ones.
class WakePlanner {
public:
    using Duration = std::chrono::nanoseconds;

    // What one alarm did, from its request to its call, for whoever measures.
    struct Record {
        Duration deadline;
        Duration margin;       // how early it wanted to wake
        Duration askedFor;     // the wake-up last asked of the event loop; later if the reserve was short
        Duration woke;         // the wake-up that led to the call
        Duration finishFrom;   // the thread's own sleep after it: asked until, and woken at;
        Duration finishWoke;   // both `woke` if it did not sleep
        Duration fired;        // when it called back
        bool outOfReserve;     // the busy finish could not cover the rest of a wait, so it slept on
    };

    static constexpr Duration reserveLimit = std::chrono::milliseconds(2);
    static constexpr int reservePerMille = 8; // of the time going by

    // Whether the thread can sleep out the margin (see Clock::sleepsPrecisely()).
    void setFinishSleeps(bool finishSleeps) { m_finishSleeps = finishSleeps; }

    // When to ask the event loop for, at `now`, to be in time for `deadline`.
    [[nodiscard]] Duration earlyWake(Duration now, Duration deadline);
    // Woken by the event loop at `now`: until when the thread itself should
    // sleep, so that what is left is short and the reserve can pay for it.
    // `now` or earlier when it should not sleep.
    [[nodiscard]] Duration finishSleep(Duration now, Duration deadline);

    // A wake-up from the event loop, or from the thread's own sleep, came
    // `lateness` after the moment asked for.
    void learn(Duration lateness) { m_loop.learn(lateness); }
    void learnFinish(Duration lateness) { m_finish.learn(lateness); }

    // How long a busy finish may take at `now`; spend() what it took.
    [[nodiscard]] Duration reserve(Duration now);
    void spend(Duration spun);

    [[nodiscard]] Duration margin() const
    {
        // A margin the thread sleeps out costs no CPU, so it also covers the
        // rarer wake-ups that come a millisecond or more late.
        return m_finishSleeps ? std::max(m_loop.margin(), sleptMargin) : m_loop.margin();
    }
    [[nodiscard]] Duration finishMargin() const { return m_finish.margin(); }

    // Told of every alarm that fires; for measuring, off by default.
    void setRecorder(std::function<void(const Record &)> recorder) { m_recorder = std::move(recorder); }
    void record(const Record &what) const
    {
        if (m_recorder)
            m_recorder(what);
    }

private:
    static constexpr Duration slack = std::chrono::microseconds(50);
    static constexpr Duration sleptMargin = std::chrono::milliseconds(3);

    // The 99.5th percentile of the lateness of one kind of wake-up, learnt a
    // step at a time. A wake-up far later than that is a held-up thread while
    // such wake-ups come now and then; when they make most of the last few,
    // they are how coarsely this system wakes (a timer on a 15.6 ms tick), and
    // the estimate takes the middle one of them at once. Over its first wake-ups
    // a late one may double the estimate, and the margin is at least as wide
    // as such wake-ups may come late where waits end on whole milliseconds
    // (Wine); the reserve pays for that once.
    struct Lateness {
        static constexpr std::size_t window = 4;   // of the last this many wake-ups,
        static constexpr std::size_t repeatsToBelieve = 3; // this many far late

        static constexpr std::size_t youth = 20;   // wake-ups learnt in bigger steps

        Duration estimate;
        Duration untaught;                         // the least margin while young
        std::array<Duration, window> recent{};     // each far-late one's lateness, else 0
        std::size_t next = 0;
        std::size_t learnt = 0;

        void learn(Duration lateness);
        // Later than this, a wake-up is far late: not a step of the estimate.
        [[nodiscard]] Duration ceiling() const { return estimate + std::chrono::milliseconds(3); }
        [[nodiscard]] Duration margin() const
        {
            return learnt < youth ? std::max(estimate + slack, untaught) : estimate + slack;
        }
    };

    void accrue(Duration now);

    Lateness m_loop{std::chrono::microseconds(500), std::chrono::milliseconds(2)};     // Wine's come 1 to 1.7 ms late
    Lateness m_finish{std::chrono::microseconds(100), std::chrono::microseconds(1500)}; // and its sleeps up to 1.25 ms
    bool m_finishSleeps = false;
    Duration m_reserve = reserveLimit;
    Duration m_accruedTo{0};
    bool m_started = false;
    std::function<void(const Record &)> m_recorder;
};

// The one planner of the event loop: every alarm of the program shares its
// lateness and its reserve.
[[nodiscard]] WakePlanner &eventLoopWakePlanner();

} // namespace platform
