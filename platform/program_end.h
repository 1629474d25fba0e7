// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Ends the program at once: no timer or handler of ours runs after this, every
// window or view goes, and the program ends with exitCode.
void endProgram(int exitCode);
[[nodiscard]] bool isProgramEnding();

} // namespace platform
