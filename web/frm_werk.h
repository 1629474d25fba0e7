// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/paced_exercise.h"

namespace core {
struct ExerciseState;
}

namespace platform {
class RandomSource;
}

namespace web {

// The exercise view of the page: the browser's counterpart of the desktop's
// exercise window, with the same engine and the same timers.
class frm_werk final : public core::ExerciseView {
public:
    frm_werk(core::ExerciseState &state, platform::RandomSource &random,
             platform::TimeSource &time);
    frm_werk(const frm_werk &) = delete;
    frm_werk &operator=(const frm_werk &) = delete;

    void show();
    void Command1_Click() { m_exercise.Command1_Click(); }
    void Command2_Click() { m_exercise.Command2_Click(); }

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
    core::PacedExercise m_exercise;
};

} // namespace web
