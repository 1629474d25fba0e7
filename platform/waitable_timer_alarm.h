// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/alarm.h"

#include <functional>
#include <memory>

namespace platform {

// Windows only: sleeps on a high-resolution waitable timer that the event loop
// watches, the twin of the Linux timerfd alarm. Null where this Windows has no
// high-resolution timer (before 10 1803).
[[nodiscard]] std::unique_ptr<Alarm> makeWaitableTimerAlarm(const Clock &clock, std::function<void()> onAlarm);

} // namespace platform
