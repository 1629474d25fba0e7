// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class ConversionError {
    None,
    NotANumber,
    OutOfRange,
};

struct Int32Result {
    std::int32_t value = 0;
    ConversionError error = ConversionError::None;

    [[nodiscard]] bool isOk() const { return error == ConversionError::None; }
};

// Accepts optional ASCII white space around an optional single '+' or '-' and
// one or more ASCII digits; anything else, a fraction included, is NotANumber.
[[nodiscard]] Int32Result toInt32(std::string_view text);

[[nodiscard]] std::string toText(std::int32_t value);
[[nodiscard]] std::string toText(std::int16_t value);

// Strips leading and trailing spaces only, as the stimulus tables need.
[[nodiscard]] std::string_view trim(std::string_view text);

[[nodiscard]] double floor(double value);

// Whole-number arithmetic that clamps at the 32-bit bounds instead of overflowing.
[[nodiscard]] std::int32_t saturatingAdd(std::int32_t a, std::int32_t b);
[[nodiscard]] std::int32_t saturatingSub(std::int32_t a, std::int32_t b);

} // namespace platform
