// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstddef>

namespace platform {

// How late one kind of wake-up comes: an estimate of the 99.5th percentile of
// its lateness, learnt a step at a time, which one outlier moves little.
//
// A wake-up far later than the estimate is a held-up thread when it comes
// alone, and how coarsely the system wakes (a timer on a 15.6 ms tick) when
// such wake-ups make most of the last few: the estimate then takes the middle
// one of them at once. While young, the estimate learns in bigger steps and
// the margin is at least `untaught`.
class LatenessEstimate {
public:
    using Duration = std::chrono::nanoseconds;

    LatenessEstimate(Duration initial, Duration untaught)
        : m_estimate(initial)
        , m_untaught(untaught)
    {
    }

    // A wake-up came `lateness` after the moment asked for.
    void learn(Duration lateness);

    // How early to ask for a wake-up so that it is rarely late.
    [[nodiscard]] Duration margin() const
    {
        return m_learnt < youth ? std::max(m_estimate + slack, m_untaught) : m_estimate + slack;
    }

private:
    static constexpr std::size_t window = 4;           // of the last this many wake-ups,
    static constexpr std::size_t repeatsToBelieve = 3; // this many far late: the system's coarseness
    static constexpr std::size_t youth = 20;
    static constexpr Duration slack = std::chrono::microseconds(50);

    void learnFarLate();

    Duration m_estimate;
    Duration m_untaught;
    std::array<Duration, window> m_recentFarLate{}; // each far-late one's lateness, else 0
    std::size_t m_next = 0;
    std::size_t m_learnt = 0;
};

} // namespace platform
