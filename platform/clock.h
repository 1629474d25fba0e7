// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace platform {

// A monotonic time source; tests put a frozen or hand-stepped one in its place.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual std::chrono::nanoseconds now() const = 0;
};

class SteadyClock final : public Clock {
public:
    [[nodiscard]] std::chrono::nanoseconds now() const override;
};

// The one clock the running program reads.
[[nodiscard]] Clock &systemClock();

} // namespace platform
