#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test of the Windows build on Wine, in a Wine prefix of the build's own
# (WINEPREFIX), made on first use. Wine keeps the host's QT_* variables from
# Windows programs, so what the tests need of them (the offscreen platform, a
# folder of fonts for it, and Qt Test's output on standard output rather than
# the debugger's, as Wine gives no console) is set in the prefix's own
# environment instead.
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to the test prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=} # no Mono or Gecko to offer
mkdir -p "$WINEPREFIX"
(
    flock 9
    if [ ! -f "$WINEPREFIX/.tarvelin-ready" ]; then
        wineboot --init >/dev/null 2>&1
        wine reg add 'HKCU\Environment' /v QT_QPA_PLATFORM /d offscreen /f >/dev/null 2>&1
        wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d 'Z:\usr\share\fonts\truetype\dejavu' /f >/dev/null 2>&1
        wine reg add 'HKCU\Environment' /v QT_FORCE_STDERR_LOGGING /d 1 /f >/dev/null 2>&1
        # A crashing test prints its backtrace and ends, rather than wait on a dialog no one sees.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wineserver --wait
        touch "$WINEPREFIX/.tarvelin-ready"
    fi
) 9>"$WINEPREFIX/.lock"
exec wine "$@"
