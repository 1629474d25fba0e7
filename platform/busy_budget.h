// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace platform {

// What busy waiting may cost: a reserve that fills at 0.8 % of the time going
// by and holds at most 2 ms, so that over any second or longer the busy
// finishes of alarms cost at most 1 % of a core, whatever the pace. A short
// wait, such as the one after a click, draws on time saved during earlier ones.
// Works on the times it is handed, so it reads no clock.
class BusyBudget {
public:
    using Duration = std::chrono::nanoseconds;

    static constexpr Duration limit = std::chrono::milliseconds(2);
    static constexpr int perMille = 8; // of the time going by

    // How long a busy wait may take at `now`.
    [[nodiscard]] Duration available(Duration now);
    // What will be available at `now + wait` if nothing is spent meanwhile.
    [[nodiscard]] Duration availableAfter(Duration now, Duration wait);
    void spend(Duration spun);

private:
    void accrue(Duration now);

    Duration m_reserve = limit;
    Duration m_accruedTo{0};
    bool m_started = false;
};

} // namespace platform
