// SPDX-License-Identifier: GPL-3.0-or-later
// Systems without a wait of their own here, and the portable build: every
// alarm sleeps on the portable wait.
#include "platform/system_wait.h"

namespace platform {

std::unique_ptr<SystemWait> makeSystemWait(const Clock & /*clock*/, std::function<void()> /*onWake*/)
{
    return nullptr;
}

} // namespace platform
