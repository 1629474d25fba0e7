# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64. The posix thread
# model, because the win32 one has no std::mutex or std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that needs no MinGW runtime DLLs, which a Windows machine does not have.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Qt for Windows, built by tools/build_qt_windows.sh; Qt's moc, rcc and uic
# come from the host's own Qt of the same version.
if(DEFINED ENV{TARVELIN_WINDOWS_QT} AND NOT TARVELIN_WINDOWS_QT)
    set(TARVELIN_WINDOWS_QT $ENV{TARVELIN_WINDOWS_QT})
endif()
if(TARVELIN_WINDOWS_QT)
    list(APPEND CMAKE_FIND_ROOT_PATH ${TARVELIN_WINDOWS_QT})
    list(APPEND CMAKE_PREFIX_PATH ${TARVELIN_WINDOWS_QT})
    set(QT_HOST_PATH /usr CACHE PATH "")
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
endif()
