// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace platform {

// A monotonic time source; tests put a frozen or hand-stepped one in its place.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual std::chrono::nanoseconds now() const = 0;

    // Blocks the calling thread until about `at`, or less: it may return
    // early. One that cannot be waited on returns at once.
    virtual void sleepUntil(std::chrono::nanoseconds /*at*/) const {}
};

// The system's steady clock; how it sleeps is the system's (system_time.h).
class SteadyClock final : public Clock {
public:
    [[nodiscard]] std::chrono::nanoseconds now() const override;
    void sleepUntil(std::chrono::nanoseconds at) const override;
};

// The one clock the running program reads.
[[nodiscard]] Clock &systemClock();

// Whether sleepUntil() on `clock` ends within a fraction of a millisecond after
// its moment, so that it can stand in for a busy wait. Tries a few sleeps.
[[nodiscard]] bool sleepsPrecisely(const Clock &clock);

} // namespace platform
