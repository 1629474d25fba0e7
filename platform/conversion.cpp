// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/conversion.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

constexpr bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view stripAsciiSpace(std::string_view text)
{
    while (!text.empty() && isAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

template<typename Int>
std::string intToText(Int value)
{
    char buffer[16];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec; // 16 bytes hold every 32-bit value with its sign
    return std::string(buffer, end);
}

std::int32_t clampToInt32(std::int64_t value)
{
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    if (value < lowest)
        return std::numeric_limits<std::int32_t>::min();
    if (value > highest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}

} // namespace

Int32Result toInt32(std::string_view text)
{
    text = stripAsciiSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return {0, ConversionError::NotANumber};
    for (const char c : text) {
        if (!isAsciiDigit(c))
            return {0, ConversionError::NotANumber};
    }

    // Accumulate towards the negative side: it holds one value more than the positive.
    std::int64_t magnitude = 0;
    constexpr std::int64_t limit = std::int64_t{1} << 31;
    for (const char c : text) {
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return {0, ConversionError::OutOfRange};
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max())
        return {0, ConversionError::OutOfRange};
    return {static_cast<std::int32_t>(value), ConversionError::None};
}

std::string toText(std::int32_t value)
{
    return intToText(value);
}

std::string toText(std::int16_t value)
{
    return intToText(value);
}

std::string_view trim(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

double floor(double value)
{
    return std::floor(value);
}

std::int32_t saturatingAdd(std::int32_t a, std::int32_t b)
{
    return clampToInt32(std::int64_t{a} + b);
}

std::int32_t saturatingSub(std::int32_t a, std::int32_t b)
{
    return clampToInt32(std::int64_t{a} - b);
}

} // namespace platform
