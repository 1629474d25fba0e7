// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace windows {

// The windows' default font: the desktop's sans-serif at 8 points, small
// enough for the captions to fit the narrow labels they stand in.
QFont windowFont();

} // namespace windows
