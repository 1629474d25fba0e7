// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exercise_view.h"

namespace core {

// Passes every call to the window and, when one is attached, a copy to an
// observer, so the timeline can be measured without touching the engine. The
// observer hears of a call first, at the moment the engine makes it, before
// the window does its work. Visibility is read from the window alone.
class TeeView final : public ExerciseView {
public:
    explicit TeeView(ExerciseView &target)
        : m_target(target)
    {
    }

    void setObserver(ExerciseView *observer) { m_observer = observer; }

    void setStimulusText(std::string_view text) override
    {
        if (m_observer)
            m_observer->setStimulusText(text);
        m_target.setStimulusText(text);
    }
    bool isStimulusVisible() const override { return m_target.isStimulusVisible(); }
    void setStimulusVisible(bool visible) override
    {
        if (m_observer)
            m_observer->setStimulusVisible(visible);
        m_target.setStimulusVisible(visible);
    }
    void setPauseVisible(bool visible) override
    {
        if (m_observer)
            m_observer->setPauseVisible(visible);
        m_target.setPauseVisible(visible);
    }
    void setIntervalText(std::string_view text) override
    {
        if (m_observer)
            m_observer->setIntervalText(text);
        m_target.setIntervalText(text);
    }
    void setSeriesText(std::string_view text) override
    {
        if (m_observer)
            m_observer->setSeriesText(text);
        m_target.setSeriesText(text);
    }
    void setPacingEnabled(bool enabled) override
    {
        if (m_observer)
            m_observer->setPacingEnabled(enabled);
        m_target.setPacingEnabled(enabled);
    }
    void setPauseInterval(std::int32_t milliseconds) override
    {
        if (m_observer)
            m_observer->setPauseInterval(milliseconds);
        m_target.setPauseInterval(milliseconds);
    }
    void setPauseEnabled(bool enabled) override
    {
        if (m_observer)
            m_observer->setPauseEnabled(enabled);
        m_target.setPauseEnabled(enabled);
    }

private:
    ExerciseView &m_target;
    ExerciseView *m_observer = nullptr;
};

} // namespace core
