// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/program_end.h"

class QWidget;

namespace platform {

// Shows the window application-modal and dispatches events until it is hidden
// or closed by the program or the user; minimising it does not count.
void showModal(QWidget &window);

// From now on a run-time error is shown in a Dutch message box, after which
// the program ends with a failure code.
void installRuntimeErrorDialog();

} // namespace platform
