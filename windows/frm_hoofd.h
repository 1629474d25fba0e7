// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "windows/program_window.h"

#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace core {
struct ExerciseState;
struct SettingsField;
}

namespace windows {

class WindowSlots;

// The settings window: start interval and acceleration, then Start or Einde.
class frm_hoofd final : public ProgramWindow {
    Q_OBJECT

public:
    frm_hoofd(core::ExerciseState &state, WindowSlots &windowSlots);

private:
    void createControls();
    void Form_Load();
    void cmd_start_Click();
    void cmd_exit_Click();
    std::optional<std::int32_t> readField(QLineEdit *field, const core::SettingsField &about);

    QLabel *Label1 = nullptr;
    QLineEdit *txt_start = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txt_speed = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *cmd_start = nullptr;
    QPushButton *cmd_exit = nullptr;

    core::ExerciseState &m_state;
    WindowSlots &m_slots;
};

} // namespace windows
