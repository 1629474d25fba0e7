// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/stimulus_draw.h"

#include "core/exercise_state.h"
#include "core/exercise_view.h"
#include "platform/conversion.h"
#include "platform/random_source.h"
#include "platform/runtime_error.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace core {

namespace {

// The slot as a checked subscript; nullopt after reporting a bounds error.
std::optional<std::size_t> checkedSlot(float index, const char *table)
{
    const double rounded = std::nearbyint(static_cast<double>(index));
    if (!(rounded >= 0 && rounded < tableSlots)) {
        platform::raiseRuntimeError({platform::RuntimeErrorKind::SubscriptOutOfRange, table});
        return std::nullopt;
    }
    return static_cast<std::size_t>(rounded);
}

} // namespace

void drawStimulus(ExerciseState &state, ExerciseView &view, platform::RandomSource &random)
{
    random.randomize();
    random.randomize();
    const float r1 = random.next();
    state.vowel_index = static_cast<float>(
        platform::floor(static_cast<double>(r1) * state.vowel_count + 1));

    random.randomize();
    const float r2 = random.next();
    state.consonant_index = static_cast<float>(
        platform::floor(state.consonant_count * static_cast<double>(r2) + 1));

    const auto vowelSlot = checkedSlot(*state.vowel_index, "klinkers");
    if (!vowelSlot)
        return;
    const std::string_view vowel = platform::trim(state.vowels[*vowelSlot]);

    const auto consonantSlot = checkedSlot(*state.consonant_index, "medeklinkers");
    if (!consonantSlot)
        return;
    const std::string_view consonant = platform::trim(state.consonants[*consonantSlot]);

    std::string stimulus;
    stimulus.reserve(vowel.size() + consonant.size());
    stimulus.append(vowel).append(consonant);
    view.setStimulusText(stimulus);
}

} // namespace core
