// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/module1.h"

#include "core/exercise_state.h"
#include "core/stimulus_tables.h"

#include <cstddef>

namespace core {

void fillDefaults(ExerciseState &state)
{
    for (std::size_t slot = 1; slot < tableSlots; ++slot)
        state.vowels[slot] = vowelTexts[slot - 1];
    for (std::size_t slot = 1; slot < tableSlots; ++slot)
        state.consonants[slot] = consonantTexts[slot - 1];

    state.elapsed_ms = 1;
    state.step_count = 0;
    state.series_count = 0;
    state.consonant_count = 18;
    state.vowel_count = 16;
    state.flash_interval = 2000;
    state.speed_step = 100;
}

void Main(ExerciseState &state, const std::function<void()> &showSettingsModal)
{
    fillDefaults(state);
    if (showSettingsModal)
        showSettingsModal();
}

} // namespace core
