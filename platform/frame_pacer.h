// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
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

    // A frame began at `time`, the frame callback's time stamp.
    void onFrame(Duration time);
    // No frames are asked for from now on: the gap to the next is no period.
    void pause() { m_lastFrame.reset(); }

    [[nodiscard]] Duration period() const;
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
