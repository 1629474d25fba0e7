// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QStringList>

namespace windows {

// The windows' default font: the desktop's sans-serif at 8 points, small
// enough for the captions to fit the narrow labels they stand in.
QFont windowFont();

// The stimulus: "MS Sans Serif", bold, 24 points.
QFont stimulusFont();

// The sans-serif faces either falls back on, in order, where its own face is
// missing: Windows' own, then those of Linux desktops and Wine. Windows picks
// no face by style hint, so without them it can land on a serif.
QStringList sansSerifFallbacks();

} // namespace windows
