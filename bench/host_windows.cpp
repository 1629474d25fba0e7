// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/host.h"

#include <windows.h>

#include <cstdint>

namespace bench {

namespace {

Nanos ofTimes(HANDLE process, HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    const bool read = thread ? GetThreadTimes(thread, &created, &exited, &kernel, &user)
                             : GetProcessTimes(process, &created, &exited, &kernel, &user);
    if (!read)
        return Nanos{0};
    const auto ticks = [](const FILETIME &t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return Nanos((ticks(kernel) + ticks(user)) * 100);
}

} // namespace

Nanos cpuNow()
{
    return ofTimes(GetCurrentProcess(), nullptr);
}

Nanos threadCpuNow()
{
    return ofTimes(nullptr, GetCurrentThread());
}

Nanos runQueueWaitNow()
{
    return Nanos{0};
}

bool onWine()
{
    // Its ntdll says who it is.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace bench
