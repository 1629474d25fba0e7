// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/frm_werk.h"

#include "web/page.h"

#include <string>

namespace web {

frm_werk::frm_werk(core::ExerciseState &state, platform::RandomSource &random, platform::TimeSource &time)
    : m_time(time)
    , m_engine(state, *this, random)
    , Timer1([this] { m_engine.Timer1_Timer(); }, time)
    , Timer2([this] { m_engine.Timer2_Timer(); }, time)
{
    setStimulusVisible(false);
    setPauseVisible(false);
    Timer1.setInterval(core::tickPeriodMs);
    Timer1.setLookahead([this] { return m_engine.ticksUntilStep(); });
    Timer1.setEnabled(true);
    Timer2.setEnabled(false);
    m_engine.Form_Load();
}

void frm_werk::show()
{
    page::showView("frm_werk", "Tarvelin", "frm_werk-cmd_exit");
}

// The pacing timer sleeps through quiet ticks: a click must come after every
// tick due before it, and moves the next step.
void frm_werk::Command1_Click()
{
    m_time.runBetweenTicks([this] { m_engine.Command1_Click(); });
}

void frm_werk::Command2_Click()
{
    m_time.runBetweenTicks([this] { m_engine.Command2_Click(); });
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

void frm_werk::setPacingEnabled(bool enabled)
{
    Timer1.setEnabled(enabled);
}

void frm_werk::setPauseInterval(std::int32_t milliseconds)
{
    Timer2.setInterval(milliseconds);
}

void frm_werk::setPauseEnabled(bool enabled)
{
    Timer2.setEnabled(enabled);
}

} // namespace web
