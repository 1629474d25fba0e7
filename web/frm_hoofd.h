// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string_view>

namespace core {
struct ExerciseState;
}

namespace web {

// The settings view of the page: start interval and acceleration, then
// Start or Einde, as in the desktop's settings window.
class frm_hoofd {
public:
    frm_hoofd(core::ExerciseState &state, std::function<void()> openExercise);
    frm_hoofd(const frm_hoofd &) = delete;
    frm_hoofd &operator=(const frm_hoofd &) = delete;

    void show();
    // The two fields' texts as typed, UTF-8.
    void cmd_start_Click(std::string_view startText, std::string_view speedText);

private:
    void Form_Load();

    core::ExerciseState &m_state;
    std::function<void()> m_openExercise;
    bool m_shown = false;
};

} // namespace web
