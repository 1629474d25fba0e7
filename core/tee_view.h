// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"

namespace core {

// Passes every call to the window and, when one is attached, a copy to an
// observer, so the timeline can be measured without touching the engine.
// Visibility is read from the window alone.
class TeeView final : public ExerciseView {
public:
    explicit TeeView(ExerciseView &target)
        : m_target(target)
    {
    }

    void setObserver(ExerciseView *observer) { m_observer = observer; }

    void setStimulusText(std::string_view text) override
    {
        m_target.setStimulusText(text);
        if (m_observer)
            m_observer->setStimulusText(text);
    }
    bool isStimulusVisible() const override { return m_target.isStimulusVisible(); }
    void setStimulusVisible(bool visible) override
    {
        m_target.setStimulusVisible(visible);
        if (m_observer)
            m_observer->setStimulusVisible(visible);
    }
    void setPauseVisible(bool visible) override
    {
        m_target.setPauseVisible(visible);
        if (m_observer)
            m_observer->setPauseVisible(visible);
    }
    void setIntervalText(std::string_view text) override
    {
        m_target.setIntervalText(text);
        if (m_observer)
            m_observer->setIntervalText(text);
    }
    void setSeriesText(std::string_view text) override
    {
        m_target.setSeriesText(text);
        if (m_observer)
            m_observer->setSeriesText(text);
    }
    void setPacingEnabled(bool enabled) override
    {
        m_target.setPacingEnabled(enabled);
        if (m_observer)
            m_observer->setPacingEnabled(enabled);
    }
    void setPauseInterval(std::int32_t milliseconds) override
    {
        m_target.setPauseInterval(milliseconds);
        if (m_observer)
            m_observer->setPauseInterval(milliseconds);
    }
    void setPauseEnabled(bool enabled) override
    {
        m_target.setPauseEnabled(enabled);
        if (m_observer)
            m_observer->setPauseEnabled(enabled);
    }

private:
    ExerciseView &m_target;
    ExerciseView *m_observer = nullptr;
};

} // namespace core
