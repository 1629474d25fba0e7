// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace bench {

// Watches a window from outside, on an X connection of its own: each change
// that the X server makes to the window's pixels within `area` (DAMAGE) is
// stamped on the monotonic clock as its event arrives. X11 only.
class PixelProbe {
public:
    PixelProbe(unsigned long window, QRect area);
    ~PixelProbe();
    PixelProbe(const PixelProbe &) = delete;
    PixelProbe &operator=(const PixelProbe &) = delete;

    [[nodiscard]] bool isWatching() const { return m_watching; }
    // Stops watching; the stamps are then the caller's to read.
    std::vector<std::chrono::nanoseconds> stop();

private:
    void watch(unsigned long window);

    QRect m_area;
    int m_stopEvent; // written by stop()
    std::atomic<bool> m_watching = false;
    std::atomic<bool> m_ready = false;
    std::vector<std::chrono::nanoseconds> m_stamps;
    std::thread m_thread;
};

} // namespace bench
