#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt for 64-bit Windows (static, release, MinGW-w64) from Debian's own
# qt6-base source, of the same version as the host's qt6-base-dev, whose moc,
# rcc and uic it uses. The result lands in a cache folder outside build/, so
# `make clean` keeps it; a second run finds it and returns at once.
#
#   tools/build_qt_windows.sh          builds when missing, then prints the prefix
#   tools/build_qt_windows.sh --prefix prints the prefix only
#
# An interrupted build resumes where it stopped (the build folder stays), and a
# half-built Qt is never taken for a whole one: the prefix only appears, by one
# rename, once the install into its side folder has finished.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
if [ -z "$host_version" ]; then
    echo "qt6-base-dev is not installed: its version decides which Qt is built" >&2
    exit 1
fi
# 6.4.2+dfsg-10 -> 6.4.2
qt_version=${host_version%%[+~-]*}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarvelin
prefix=$cache/qt-$qt_version-mingw-w64
work=$cache/qt-$qt_version-mingw-w64.work
jobs=$(nproc 2>/dev/null || echo 2)

if [ "${1:-}" = "--prefix" ]; then
    echo "$prefix"
    exit 0
fi
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

mkdir -p "$work"
log() { echo "build_qt_windows: $*" >&2; }

# The source, through an apt configuration of its own: its own sources list
# with deb-src lines made from the machine's deb lines, its own lists and
# cache, so the machine's apt setup is never touched.
src=$work/src
if [ ! -f "$src/.unpacked" ]; then
    apt_dir=$work/apt
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.d"
    : > "$apt_dir/sources.list"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >> "$apt_dir/sources.list"
    fi
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        sed 's/^Types:.*$/Types: deb-src/' "$f" > "$apt_dir/sources.d/$(basename "$f")"
    done
    for f in /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" > "$apt_dir/sources.d/$(basename "$f")"
    done
    apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
              -o "Dir::Etc::SourceParts=$apt_dir/sources.d"
              -o "Dir::State::Lists=$apt_dir/lists"
              -o "Dir::Cache=$apt_dir/cache"
              -o "Debug::NoLocking=1")
    log "fetching the qt6-base $host_version source"
    apt-get "${apt_opts[@]}" update >&2
    rm -rf "$work/fetch"
    mkdir -p "$work/fetch"
    (cd "$work/fetch" && apt-get "${apt_opts[@]}" source --download-only "qt6-base=$host_version" >&2)
    rm -rf "$src"
    dpkg-source --no-check -x "$work/fetch"/qt6-base_*.dsc "$src" >&2
    touch "$src/.unpacked"
fi

# Only what the program and its tests use. OpenGL and Direct2D stay at their
# defaults: in 6.4 turning either off breaks the windows platform plugin.
# Debian's source leaves out Wacom's tablet headers, whose licence forbids
# changes, so the windows plugin is built without tablet support.
build=$work/build
configure=(-G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$prefix"
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_static_runtime=ON
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_png=ON -DFEATURE_jpeg=ON -DFEATURE_gif=OFF -DFEATURE_ico=OFF
    -DFEATURE_testlib=ON -DFEATURE_widgets=ON)
# Configured again, in place, whenever these settings change.
if [ ! -f "$build/.configured" ] || [ "$(cat "$build/.configured")" != "${configure[*]}" ]; then
    log "configuring Qt $qt_version for MinGW-w64 (static, release)"
    rm -f "$build/.configured"
    cmake -S "$src" -B "$build" "${configure[@]}" >&2
    echo "${configure[*]}" > "$build/.configured"
fi

log "building (ninja shows [done/total])"
cmake --build "$build" --parallel "$jobs" >&2

# Installed beside the prefix, then renamed into place in one step.
staging=$prefix.partial
rm -rf "$staging"
log "installing"
DESTDIR= cmake --install "$build" --prefix "$staging" >&2
touch "$staging/.complete"
rm -rf "$prefix"
mv "$staging" "$prefix"
log "Qt $qt_version for Windows is in $prefix"
echo "$prefix"
