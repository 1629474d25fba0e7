// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace platform {

// Tells the user, in UTF-8 text, why the program cannot go on. It goes to
// standard error; where the program has none a person would see (a Windows
// program started from the desktop has no console), to a message box of the
// system's own, since Qt may be the very part that failed.
void showFatalMessage(std::string_view text);

// What to say when the window system cannot be opened, in Dutch and English:
// on Windows its plugin is what fails, elsewhere there is no display.
[[nodiscard]] std::string_view cannotStartMessage();

} // namespace platform
