// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace core {
struct ExerciseState;
}

namespace platform {
class RandomSource;
class TimeSource;
}

namespace windows {

class frm_hoofd;
class frm_werk;

// One instance of each window, created on first use and kept until the end.
class WindowSlots {
public:
    WindowSlots(core::ExerciseState &state, platform::RandomSource &random, platform::TimeSource &time);
    ~WindowSlots();
    WindowSlots(const WindowSlots &) = delete;
    WindowSlots &operator=(const WindowSlots &) = delete;

    frm_hoofd &hoofd();
    frm_werk &werk();

private:
    core::ExerciseState &m_state;
    platform::RandomSource &m_random;
    platform::TimeSource &m_time;
    std::unique_ptr<frm_hoofd> m_hoofd;
    std::unique_ptr<frm_werk> m_werk;
};

} // namespace windows
