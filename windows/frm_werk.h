// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/paced_exercise.h"
#include "windows/program_window.h"

class QLabel;
class QPushButton;

namespace core {
struct ExerciseState;
}

namespace platform {
class RandomSource;
}

namespace windows {

// The exercise window: the stimulus in the middle, the pause picture over it
// during pauses, the interval and series displays and the buttons at the lower right.
class frm_werk final : public ProgramWindow, public core::ExerciseView {
    Q_OBJECT

public:
    frm_werk(core::ExerciseState &state, platform::RandomSource &random,
             platform::TimeSource &time);

    void setStimulusText(std::string_view text) override;
    [[nodiscard]] bool isStimulusVisible() const override;
    void setStimulusVisible(bool visible) override;
    void setPauseVisible(bool visible) override;
    void setIntervalText(std::string_view text) override;
    void setSeriesText(std::string_view text) override;
    void setPacingEnabled(bool enabled) override { m_exercise.setPacingEnabled(enabled); }
    void setPauseInterval(std::int32_t milliseconds) override { m_exercise.setPauseInterval(milliseconds); }
    void setPauseEnabled(bool enabled) override { m_exercise.setPauseEnabled(enabled); }

private:
    void createControls();
    void prepareFirstShow();
    void cmd_exit_Click();

    QLabel *txt_string = nullptr;
    QLabel *Picture1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmd_exit = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label1 = nullptr;

    core::PacedExercise m_exercise;
};

} // namespace windows
