// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_end.h"

#include <emscripten/emscripten.h>

namespace platform {

namespace {

bool programEnding = false;

} // namespace

// The page takes every view away; where the browser lets it, it closes the window.
EM_JS(void, tarvelin_page_end_program, (int exitCode), { Module['page'].endProgram(exitCode); });

void endProgram(int exitCode)
{
    if (programEnding)
        return; // the first reason to end keeps its exit code
    programEnding = true;
    tarvelin_page_end_program(exitCode);
}

bool isProgramEnding()
{
    return programEnding;
}

} // namespace platform
