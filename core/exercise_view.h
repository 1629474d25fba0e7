// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace core {

// All the engine and the draw may do to the exercise window. Text is UTF-8.
class ExerciseView {
public:
    virtual ~ExerciseView() = default;

    virtual void setStimulusText(std::string_view text) = 0;
    [[nodiscard]] virtual bool isStimulusVisible() const = 0;
    virtual void setStimulusVisible(bool visible) = 0;
    virtual void setPauseVisible(bool visible) = 0;
    virtual void setIntervalText(std::string_view text) = 0;
    virtual void setSeriesText(std::string_view text) = 0;
    virtual void setPacingEnabled(bool enabled) = 0;
    virtual void setPauseInterval(std::int32_t milliseconds) = 0;
    virtual void setPauseEnabled(bool enabled) = 0;
};

} // namespace core
