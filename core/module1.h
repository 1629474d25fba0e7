// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace core {

struct ExerciseState;

// Puts every field at its start value and fills both tables.
void fillDefaults(ExerciseState &state);

// Start-up: fills the state, then hands over to the settings window, whose
// modal display it stays inside until that ends.
void Main(ExerciseState &state, const std::function<void()> &showSettingsModal);

} // namespace core
