// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/random_source.h"

#include "platform/clock.h"

namespace platform {

namespace {

constexpr std::uint64_t golden = 0x9E3779B97F4A7C15ULL;

// The SplitMix64 finaliser: a bijection, so mixing never loses state.
constexpr std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

RandomSource::RandomSource(const Clock &clock, std::uint64_t seed)
    : m_clock(clock)
    , m_state(seed)
{
}

void RandomSource::randomize()
{
    const auto reading = static_cast<std::uint64_t>(m_clock.now().count());
    m_state = mix(m_state + golden) ^ mix(reading);
}

float RandomSource::next()
{
    m_state += golden;
    // The top 24 bits fill a float's mantissa exactly, so the result stays below 1.
    return static_cast<float>(mix(m_state) >> 40) * 0x1p-24f;
}

} // namespace platform
