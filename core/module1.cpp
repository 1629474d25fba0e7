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

    state.elapsed_ms = startElapsedMs;
    state.step_count = 0;
    state.series_count = 0;
    state.consonant_count = drawnConsonants;
    state.vowel_count = drawnVowels;
    state.flash_interval = startFlashInterval;
    state.speed_step = startSpeedStep;
}

void Main(ExerciseState &state, const std::function<void()> &showSettingsModal)
{
    fillDefaults(state);
    if (showSettingsModal)
        showSettingsModal();
}

} // namespace core
