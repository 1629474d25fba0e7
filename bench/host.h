// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// What the benches read of the system they run on; one file a system.
namespace bench {

using Nanos = std::chrono::nanoseconds;

[[nodiscard]] inline Nanos steadyNow()
{
    return std::chrono::steady_clock::now().time_since_epoch();
}
[[nodiscard]] Nanos cpuNow();       // of this process, all threads
[[nodiscard]] Nanos threadCpuNow(); // of the calling thread
// How long the calling thread has been ready to run but waiting for a core,
// all told; zero where the system does not say.
[[nodiscard]] Nanos runQueueWaitNow();
// Whether this is Wine, whose waits end on whole milliseconds as a rule.
[[nodiscard]] bool onWine();

} // namespace bench
