// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace windows {

// Registers the compiled-in pictures; safe to call more than once.
void loadAssets();

} // namespace windows
