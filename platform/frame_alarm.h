// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <functional>
#include <memory>

namespace platform {

// The browser's alarm: it goes off in the animation frame nearest its
// deadline, so what it shows lasts whole frames; a timeout stands in where no
// frames come (a hidden tab). Reads the page's clock, systemClock().
[[nodiscard]] std::unique_ptr<Alarm> makeFrameAlarm(std::function<void()> onAlarm);

} // namespace platform
