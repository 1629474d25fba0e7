// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace windows {

// The whole program on an existing QApplication: start-up, both windows and
// the event loop. Returns the process's exit code.
int runProgram();

} // namespace windows
