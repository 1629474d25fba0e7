// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform {

// A browser shows a change only with its next frame, so a change belongs in
// the frame nearest its moment. Learns the frame period from the frames' own
// times (60 Hz, 120 Hz, a screen that drops to 30) and says up to which
// moment a frame is the nearest one.
class FramePacer {
public:
    using Duration = std::chrono::nanoseconds;

    // Until frames have taught it: the usual 60 Hz.
    static constexpr Duration assumedPeriod = std::chrono::microseconds(16667);

    // A frame began at `time`, the frame callback's time stamp. Two callbacks
    // in one frame share its time stamp, and no screen is slower than 10 Hz:
    // gaps outside these are stalls, not periods.
    void onFrame(Duration time)
    {
        const Duration gap = m_lastFrame ? time - *m_lastFrame : Duration{0};
        if (gap >= std::chrono::milliseconds(2) && gap <= std::chrono::milliseconds(100)) {
            m_gaps[m_next] = gap;
            m_next = (m_next + 1) % kept;
            m_count = std::min(m_count + 1, kept);
        }
        m_lastFrame = time;
    }
    // No frames are asked for from now on: the gap to the next is no period.
    void pause() { m_lastFrame.reset(); }

    // The median gap, which a dropped frame or a late callback moves not at all,
    // says how many frames each gap spans; the whole span over its frames is
    // exact to far below the browser's 0.1 ms clock. 3 gaps overrule 60 Hz.
    [[nodiscard]] Duration period() const
    {
        if (m_count < 3)
            return assumedPeriod;
        std::array<Duration, kept> sorted = m_gaps;
        const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(m_count / 2);
        std::nth_element(sorted.begin(), middle, sorted.begin() + static_cast<std::ptrdiff_t>(m_count));
        Duration span{0};
        std::int64_t frames = 0;
        for (std::size_t i = 0; i < m_count; ++i) {
            span += m_gaps[i];
            frames += std::max<std::int64_t>(1, (m_gaps[i] + *middle / 2) / *middle);
        }
        return span / frames;
    }
    // The last moment that the frame begun at `frameTime` is nearest to: any
    // change due by then is seen soonest if it is made in this frame.
    [[nodiscard]] Duration lastMomentOf(Duration frameTime) const { return frameTime + period() / 2; }

private:
    static constexpr std::size_t kept = 15;

    std::array<Duration, kept> m_gaps{};
    std::size_t m_count = 0; // gaps kept, at most `kept`
    std::size_t m_next = 0;  // where the next gap goes
    std::optional<Duration> m_lastFrame;
};

} // namespace platform
