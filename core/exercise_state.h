// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

constexpr int tableSlots = 21;
using TextTable = std::array<std::string, tableSlots>;

// The start values, which Main sets and a fresh record holds.
inline constexpr std::int32_t startFlashInterval = 2000;
inline constexpr std::int32_t startSpeedStep = 100;
inline constexpr std::int16_t drawnVowels = 16;     // slots 1 to 16 are drawn
inline constexpr std::int16_t drawnConsonants = 18; // slots 1 to 18 are drawn
inline constexpr std::int32_t startElapsedMs = 1;   // 1, not 0: it shifts the first step by a tick

// Everything that outlives one event. The windows and the engine share one instance.
struct ExerciseState {
    std::int32_t flash_interval = startFlashInterval;
    std::int32_t speed_step = startSpeedStep;
    TextTable vowels;
    TextTable consonants;
    std::optional<float> consonant_index; // empty until the first draw
    std::optional<float> vowel_index;
    std::int16_t vowel_count = drawnVowels;
    std::int16_t consonant_count = drawnConsonants;
    std::int16_t step_count = 0;
    std::int16_t series_count = 0;
    std::int32_t elapsed_ms = startElapsedMs;

    bool operator==(const ExerciseState &) const = default;
};

} // namespace core
