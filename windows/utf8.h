// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace windows {

// Text crosses into the core as UTF-8; only the windows hold QStrings.
inline QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string toUtf8(const QString &text)
{
    return text.toStdString();
}

} // namespace windows
