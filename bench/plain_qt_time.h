// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/timer.h"

namespace bench {

// What a window would have on plain QTimers, to measure ours against: one
// handler call per timeout of a default (coarse) QTimer, counted from each
// start in wall time, with nothing caught up.
class PlainQtTimeSource final : public platform::TimeSource {
public:
    [[nodiscard]] std::unique_ptr<platform::TimerBackend> makeTimer(std::function<void()> onTick) override;
    void runBetweenTicks(const std::function<void()> &event) override { event(); }
};

} // namespace bench
