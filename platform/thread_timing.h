// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {

// Asks the system to treat the calling thread as the one that keeps the
// exercise's time: to end its timed waits on the moment asked for rather than
// gather them (Linux), or to give it a core as soon as it wakes (systems with
// thread priorities in the normal class, such as Windows and macOS). A
// request only: where the system declines, timing is as good as it lets it be.
void keepTimeOnThisThread();

// Whether the calling thread has what keepTimeOnThisThread() asks for.
[[nodiscard]] bool keepsTimeOnThisThread();

} // namespace platform
