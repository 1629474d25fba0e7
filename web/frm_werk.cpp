// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/frm_werk.h"

#include "web/page.h"

#include <string>

namespace web {

frm_werk::frm_werk(core::ExerciseState &state, platform::RandomSource &random, platform::TimeSource &time)
    : m_exercise(state, *this, random, time)
{
    setStimulusVisible(false);
    setPauseVisible(false);
    m_exercise.start();
}

void frm_werk::show()
{
    page::showView("frm_werk", "Tarvelin", "frm_werk-cmd_exit");
}

void frm_werk::setStimulusText(std::string_view text)
{
    page::setText("frm_werk-txt_string", std::string(text));
}

bool frm_werk::isStimulusVisible() const
{
    return page::isVisible("frm_werk-txt_string");
}

void frm_werk::setStimulusVisible(bool visible)
{
    page::setVisible("frm_werk-txt_string", visible);
}

void frm_werk::setPauseVisible(bool visible)
{
    page::setVisible("frm_werk-Picture1", visible);
}

void frm_werk::setIntervalText(std::string_view text)
{
    page::setText("frm_werk-Label1", std::string(text));
}

void frm_werk::setSeriesText(std::string_view text)
{
    page::setText("frm_werk-Label3", std::string(text));
}

} // namespace web
