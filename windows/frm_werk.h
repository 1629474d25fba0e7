// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/pacing_engine.h"
#include "core/tee_view.h"
#include "platform/timer.h"
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

    // Receives a copy of everything the engine does to this window, from now on.
    void setObserver(core::ExerciseView *observer) { m_tee.setObserver(observer); }

    void setStimulusText(std::string_view text) override;
    [[nodiscard]] bool isStimulusVisible() const override;
    void setStimulusVisible(bool visible) override;
    void setPauseVisible(bool visible) override;
    void setIntervalText(std::string_view text) override;
    void setSeriesText(std::string_view text) override;
    void setPacingEnabled(bool enabled) override;
    void setPauseInterval(std::int32_t milliseconds) override;
    void setPauseEnabled(bool enabled) override;

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

    platform::TimeSource &m_time;
    core::TeeView m_tee{*this};
    core::PacingEngine m_engine;
    platform::Timer Timer1;
    platform::Timer Timer2;
};

} // namespace windows
