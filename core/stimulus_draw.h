// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {
class RandomSource;
}

namespace core {

struct ExerciseState;
class ExerciseView;

// Picks a vowel slot and a consonant slot and writes their joined texts into
// the stimulus label. Leaves the label's visibility alone.
void drawStimulus(ExerciseState &state, ExerciseView &view, platform::RandomSource &random);

} // namespace core
