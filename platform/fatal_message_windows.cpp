// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fatal_message.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace platform {

namespace {

// A GUI program started from the desktop or the Start menu has no standard
// error; one started from a console, or by a program that reads its output,
// has a handle of a known kind.
bool hasStandardError()
{
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

std::wstring wide(std::string_view utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(std::size_t(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), size);
    return out;
}

} // namespace

void showFatalMessage(std::string_view text)
{
    if (hasStandardError()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
        return;
    }
    MessageBoxW(nullptr, wide(text).c_str(), L"Tarvelin", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// Windows always has a screen: what fails there is the window system's plugin.
std::string_view cannotStartMessage()
{
    return "Tarvelin kan niet starten: het venstersysteem kon niet worden geopend.\n"
           "Tarvelin cannot start: the window system could not be opened.\n";
}

} // namespace platform
