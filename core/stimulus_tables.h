// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace core {

// Slots 1 to 20; slot 0 stays empty. Only the first drawnVowels vowels and
// drawnConsonants consonants (exercise_state.h) are ever drawn, so the number
// texts in the upper slots never reach the screen.
// The repeated consonants are deliberate: the draw is uniform over slots.
inline constexpr std::array<std::string_view, 20> vowelTexts = {
    "a", "e", "i", "o", "u", "ui", "eu", "aa", "oo", "ie",
    "ei", "au", "ee", "uu", "ij", "ou", "17", "18", "19", "20",
};

inline constexpr std::array<std::string_view, 20> consonantTexts = {
    "t", "f", "s", "f", "g", "k", "m", "k", "l", "m",
    "n", "p", "r", "s", "t", "f", "g", "n", "19", "20",
};

} // namespace core
