// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings_input.h"

#include <cstddef>

namespace core {

namespace {

// How much of a typed text the message quotes, in characters.
constexpr std::size_t quotedTextLimit = 40;

// The length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Unicode's white space, as a text field's user sees blanks: a no-break space
// pasted from a document is a blank too.
constexpr std::u32string_view blanks =
    U"\t\n\v\f\r \u0085\u00A0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200A"
    U"\u2028\u2029\u202F\u205F\u3000";

struct Character {
    char32_t code = 0;
    std::size_t length = 1;
};

Character characterAt(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = sequenceLength(lead);
    if (length == 1 || at + length > text.size())
        return {lead, 1};
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i)
        code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return {code, length};
}

bool isBlank(char32_t code)
{
    return blanks.find(code) != std::u32string_view::npos;
}

std::string_view trimmedBlanks(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size()) {
        const Character c = characterAt(text, begin);
        if (!isBlank(c.code))
            break;
        begin += c.length;
    }
    std::size_t end = begin;
    for (std::size_t at = begin; at < text.size();) {
        const Character c = characterAt(text, at);
        at += c.length;
        if (!isBlank(c.code))
            end = at;
    }
    return text.substr(begin, end - begin);
}

// The text between Dutch quotation marks, cut short at whole characters.
std::string quoted(std::string_view text)
{
    std::size_t at = 0;
    std::size_t characters = 0;
    while (at < text.size() && characters < quotedTextLimit) {
        at += characterAt(text, at).length;
        ++characters;
    }
    std::string shown(text.substr(0, at));
    if (at < text.size())
        shown += "\u2026";
    return "\u201E" + shown + "\u201D";
}

} // namespace

FieldReading readSettingsField(const SettingsField &field, std::string_view typed)
{
    const platform::Int32Result result = platform::toInt32(typed);
    if (result.isOk())
        return {result.value, {}};

    const std::string_view shown = trimmedBlanks(typed);
    std::string message(field.name);
    if (shown.empty())
        message += " is niet ingevuld.";
    else if (result.error == platform::ConversionError::OutOfRange)
        message += " " + quoted(shown) + (shown.front() == '-' ? " is te klein." : " is te groot.");
    else
        message += " " + quoted(shown) + " is geen geheel getal.";
    message += "\n\nGeef een geheel aantal milliseconden tussen -2147483648 en 2147483647, bijvoorbeeld ";
    message += field.example;
    message += ".";
    return {std::nullopt, std::move(message)};
}

} // namespace core
