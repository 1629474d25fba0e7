// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace platform {
class TimeSource;
}

namespace windows {

// The whole program on an existing QApplication: start-up, both windows and
// the event loop, the exercise's timers on `time`. Returns the process's exit code.
int runProgram();
int runProgram(platform::TimeSource &time);

// What the program asks of Qt's platform plugins; call before the application is made.
void setDisplayOptions();

// The process from the start: makes the application, or says in a sentence on
// standard error that there is no display to open a window on and returns 1.
int runApplication(int &argc, char **argv);

} // namespace windows
