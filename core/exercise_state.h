// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

constexpr int tableSlots = 21;
using TextTable = std::array<std::string, tableSlots>;

// Everything that outlives one event. The windows and the engine share one instance.
struct ExerciseState {
    std::int32_t flash_interval = 2000;
    std::int32_t speed_step = 100;
    TextTable vowels;
    TextTable consonants;
    std::optional<float> consonant_index; // empty until the first draw
    std::optional<float> vowel_index;
    std::int16_t vowel_count = 16;
    std::int16_t consonant_count = 18;
    std::int16_t step_count = 0;
    std::int16_t series_count = 0;
    std::int32_t elapsed_ms = 1; // 1, not 0: it shifts the first step by a tick

    bool operator==(const ExerciseState &) const = default;
};

} // namespace core
