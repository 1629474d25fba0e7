// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <functional>
#include <memory>

namespace platform {

// Linux only: sleeps on a timerfd with an absolute CLOCK_MONOTONIC deadline,
// which the kernel never fires early. Null if the kernel gives no timerfd.
[[nodiscard]] std::unique_ptr<Alarm> makeTimerFdAlarm(const Clock &clock, std::function<void()> onAlarm);

} // namespace platform
