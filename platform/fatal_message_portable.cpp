// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fatal_message.h"

#include <cstdio>

namespace platform {

void showFatalMessage(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string_view cannotStartMessage()
{
    return "Tarvelin kan niet starten: er is geen beeldscherm om een venster op te openen.\n"
           "Tarvelin cannot start: there is no display to open a window on.\n";
}

} // namespace platform
