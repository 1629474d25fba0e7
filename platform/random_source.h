// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace platform {

class Clock;

// Uniform single-precision values in [0, 1), re-seedable from a clock.
// A re-seed mixes the clock reading into the current state rather than
// replacing it, so a clock that reads the same twice cannot make draws repeat.
class RandomSource {
public:
    explicit RandomSource(const Clock &clock, std::uint64_t seed = 0x2545F4914F6CDD1DULL);
    RandomSource(const RandomSource &) = delete;
    RandomSource &operator=(const RandomSource &) = delete;

    void randomize();
    [[nodiscard]] float next();

private:
    const Clock &m_clock;
    std::uint64_t m_state;
};

} // namespace platform
