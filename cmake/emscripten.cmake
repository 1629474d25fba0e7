# SPDX-License-Identifier: GPL-3.0-or-later
# The browser build, with Debian's emscripten.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# emscripten's tools load Debian's node modules (acorn among them), which a
# Node from outside Debian does not look for in /usr/share/nodejs.
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
