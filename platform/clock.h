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

// The system's steady clock: one file a system defines how it sleeps.
class SteadyClock final : public Clock {
public:
    [[nodiscard]] std::chrono::nanoseconds now() const override;
    void sleepUntil(std::chrono::nanoseconds at) const override;
};

// A desktop's timed wait on a Qt wait condition (clock_qt.cpp).
void sleepOnQt(std::chrono::nanoseconds at);

// The one clock the running program reads.
[[nodiscard]] Clock &systemClock();

// Whether sleepUntil() on `clock` ends within a fraction of a millisecond after
// its moment, so that it can stand in for a busy wait. Tried there and then:
// a few sleeps of 0.2 ms.
[[nodiscard]] bool sleepsPrecisely(const Clock &clock);

} // namespace platform
