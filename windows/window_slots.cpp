// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/window_slots.h"

#include "windows/frm_hoofd.h"
#include "windows/frm_werk.h"

namespace windows {

WindowSlots::WindowSlots(core::ExerciseState &state, platform::RandomSource &random, platform::TimeSource &time)
    : m_state(state)
    , m_random(random)
    , m_time(time)
{
}

// The exercise window goes first: its timers must not outlive the settings window's handler.
WindowSlots::~WindowSlots()
{
    m_werk.reset();
    m_hoofd.reset();
}

frm_hoofd &WindowSlots::hoofd()
{
    if (!m_hoofd)
        m_hoofd = std::make_unique<frm_hoofd>(m_state, *this);
    return *m_hoofd;
}

frm_werk &WindowSlots::werk()
{
    if (!m_werk)
        m_werk = std::make_unique<frm_werk>(m_state, m_random, m_time);
    return *m_werk;
}

} // namespace windows
