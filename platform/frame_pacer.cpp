// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/frame_pacer.h"

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

// Two callbacks in one frame share its time stamp, and no screen is slower
// than 10 Hz; gaps outside these are stalls, not periods.
constexpr FramePacer::Duration shortestGap = std::chrono::milliseconds(2);
constexpr FramePacer::Duration longestGap = std::chrono::milliseconds(100);
// Fewer gaps than this say too little to overrule the usual 60 Hz.
constexpr std::size_t gapsToTrust = 3;

} // namespace

void FramePacer::onFrame(Duration time)
{
    if (m_lastFrame) {
        const Duration gap = time - *m_lastFrame;
        if (gap >= shortestGap && gap <= longestGap) {
            m_gaps[m_next] = gap;
            m_next = (m_next + 1) % kept;
            m_count = std::min(m_count + 1, kept);
        }
    }
    m_lastFrame = time;
}

FramePacer::Duration FramePacer::period() const
{
    if (m_count < gapsToTrust)
        return assumedPeriod;
    // The median, which a dropped frame's double gap or a late callback moves
    // not at all, says how many frames each gap spans; the whole span over the
    // frames in it is then exact to far below the browser's clock, which is
    // coarsened to 0.1 ms: a median of such gaps is 16.6 or 16.7, not 16.667.
    std::array<Duration, kept> sorted = m_gaps;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(m_count / 2);
    std::nth_element(sorted.begin(), middle, sorted.begin() + static_cast<std::ptrdiff_t>(m_count));
    const Duration median = *middle;
    Duration span{0};
    std::int64_t frames = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        span += m_gaps[i];
        frames += std::max<std::int64_t>(1, (m_gaps[i] + median / 2) / median);
    }
    return span / frames;
}

} // namespace platform
