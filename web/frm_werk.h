// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"
#include "core/pacing_engine.h"
#include "platform/timer.h"

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
    void Command1_Click();
    void Command2_Click();

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
    platform::TimeSource &m_time;
    core::PacingEngine m_engine;
    platform::Timer Timer1;
    platform::Timer Timer2;
};

} // namespace web
