// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/frm_hoofd.h"

#include "core/exercise_state.h"
#include "core/settings_input.h"
#include "platform/conversion.h"
#include "web/page.h"

#include <utility>

namespace web {

frm_hoofd::frm_hoofd(core::ExerciseState &state, std::function<void()> openExercise)
    : m_state(state)
    , m_openExercise(std::move(openExercise))
{
    Form_Load();
}

void frm_hoofd::Form_Load()
{
    page::setText("frm_hoofd-txt_speed", platform::toText(m_state.speed_step));
    page::setText("frm_hoofd-txt_start", platform::toText(m_state.flash_interval));
}

void frm_hoofd::show()
{
    m_shown = true;
    page::showView("frm_hoofd", "Form1", "frm_hoofd-txt_start");
}

void frm_hoofd::cmd_start_Click(std::string_view startText, std::string_view speedText)
{
    if (!m_shown)
        return; // a second press while the exercise is already opening
    // The start interval first: with both fields wrong, that is the one the user hears about.
    const core::FieldReading interval = core::readSettingsField(core::startIntervalField, startText);
    if (!interval.value) {
        page::showInputError(interval.message, "frm_hoofd-txt_start");
        return;
    }
    m_state.flash_interval = *interval.value;

    const core::FieldReading acceleration = core::readSettingsField(core::accelerationField, speedText);
    if (!acceleration.value) {
        page::showInputError(acceleration.message, "frm_hoofd-txt_speed");
        return;
    }
    m_state.speed_step = *acceleration.value;

    m_shown = false;
    m_openExercise();
}

} // namespace web
