// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/clock.h"

#include <algorithm>
#include <chrono>

// A clock that moves only when a test says so: by setting `reading`, or by
// `stepPerRead` at every reading, as a real clock moves a little between two.
// A sleep on it ends `sleepLateness` after its moment.
class HandClock final : public platform::Clock {
public:
    using Duration = std::chrono::nanoseconds;

    explicit HandClock(Duration start, Duration stepPerRead = Duration{0})
        : reading(start)
        , stepPerRead(stepPerRead)
    {
    }

    [[nodiscard]] Duration now() const override
    {
        reading += stepPerRead;
        return reading;
    }

    void sleepUntil(Duration at) const override
    {
        reading = std::max(reading, at + sleepLateness);
        ++sleeps;
    }

    mutable Duration reading;
    Duration stepPerRead;
    Duration sleepLateness{0};
    mutable int sleeps = 0;
};
