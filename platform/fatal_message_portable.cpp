// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fatal_message.h"

#include <cstdio>

namespace platform {

void showFatalMessage(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace platform
