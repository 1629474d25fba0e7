// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/conversion.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// What the message about a bad entry calls a settings field, and the example it gives.
struct SettingsField {
    std::string_view name;
    std::string_view example;
};

inline constexpr SettingsField startIntervalField{"Het start interval", "2000"};
inline constexpr SettingsField accelerationField{"De versnelling", "100"};

// A field's text read as a number, or the Dutch message that says what is wanted.
struct FieldReading {
    std::optional<std::int32_t> value;
    std::string message; // UTF-8, shown as plain text; empty when value is set
};

// Every window and page reads the two fields through this, so each accepts
// and refuses the same texts with the same words. `typed` is UTF-8.
[[nodiscard]] FieldReading readSettingsField(const SettingsField &field, std::string_view typed);

} // namespace core
