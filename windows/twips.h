// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

#include <cmath>

namespace windows {

// 1440 twips make an inch and 96 pixels do, so 15 twips make a device-independent pixel.
inline int twips(int value)
{
    return static_cast<int>(std::lround(value / 15.0));
}

inline QRect twips(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

inline QSize twipsSize(int width, int height)
{
    return QSize(twips(width), twips(height));
}

} // namespace windows
