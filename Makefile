# SPDX-License-Identifier: GPL-3.0-or-later
# The two everyday commands: `make run` and `make test`. Both install what is
# missing first, so a fresh Debian machine needs nothing else.

# The packages of one group in packages.txt.
packages = $(shell awk '$$1 == "$(1)" { print $$2 }' packages.txt)
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)
JOBS := $(shell nproc 2>/dev/null || echo 2)

.PHONY: run test test-debian13 bench soak package windows test-windows bench-windows deps test-deps bench-deps package-deps \
        windows-deps windows-qt build clean web web-deps serve-web bench-web

# Installs the packages named in $(1) that are missing, and only those.
define install-missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed$$' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
endef

# Configures and builds one preset.
define build-preset
	cmake --preset $(1)
	cmake --build --preset $(1) --parallel $(JOBS)
endef

deps:
	$(call install-missing,$(call packages,build))

test-deps: deps web-deps tests/web/node_modules/.package-lock.json
	$(call install-missing,$(call packages,test))

# Debian's emscripten; Node and npm from Debian only where the machine has none.
web-deps:
	$(call install-missing,$(call packages,web) $(if $(shell command -v node),,nodejs) $(if $(shell command -v npm),,npm))

# The browser tests' driver, pinned in the lock file; no browser is downloaded.
tests/web/node_modules/.package-lock.json: tests/web/package-lock.json | web-deps
	cd tests/web && npm ci --no-audit --no-fund

bench-deps: deps
	$(call install-missing,$(call packages,bench))

package-deps: deps
	$(call install-missing,$(call packages,package))

# What `make run` starts: warnings stay warnings, so a newer compiler or Qt never stops a user.
build: deps
	$(call build-preset,default)

run: build
	./build/default/tarvelin

# The whole suite three times: warnings as errors; under AddressSanitizer and
# UBSan; and built with none of the Linux-only calls, as on Windows or macOS.
# Then the browser page, warnings as errors: its core against the desktop's,
# and the page in Chromium and WebKitGTK.
test: test-deps
	$(call build-preset,check)
	$(call build-preset,asan)
	$(call build-preset,portable)
	$(call build-preset,web-check)
	ctest --preset check
	ctest --preset asan
	ctest --preset portable
	ctest --preset web-check

# The browser page in build/web (serve that folder) and the single
# build/web/tarvelin.html, which runs by double-click with no server.
web: web-deps
	$(call build-preset,web)
	@ls build/web/index.html build/web/tarvelin.html

# The page on http://127.0.0.1:8000/ for a try; Ctrl+C stops it.
serve-web: web
	node tests/web/serve.mjs build/web 8000

# `make test`, `make build` and a start of the program in a clean Debian 13
# (Qt 6.8, GCC 14) made by mmdebstrap; needs root and the Debian archive.
test-debian13:
	$(call install-missing,$(call packages,debian13))
	tests/debian13/run.sh

# Timing against the nominal timeline, resources, start-up; writes
# docs/performance.md. Fails when a target is missed.
bench: bench-deps
	$(call build-preset,release)
	cmake --build --preset release --target bench_timing --parallel $(JOBS)
	./build/release/bench/bench_timing docs/performance.md

# The browser page's timing beside a plain setInterval page, in headed
# Chromium on Xvfb: writes docs/performance-web.md and docs/timing-web.svg and
# fails when a target is missed (about 8 minutes). Not part of `make test`.
bench-web: bench-deps test-deps web
	$(call build-preset,release)
	cmake --build --preset release --target core_trace damage_watch --parallel $(JOBS)
	node bench/web/bench_web.mjs build/web bench/web/plain build/release/tests/core_trace \
	    build/release/bench/damage_watch docs/performance-web.md docs/timing-web.svg

# Ten minutes of the real window at the fastest pace; fails if memory grows by 1 MB.
soak: deps
	$(call build-preset,release)
	cmake --build --preset release --target soak --parallel $(JOBS)
	./build/release/bench/soak 600

# The Debian package: optimised, hardened and stripped; written to build/package.
# A publisher sets the maintainer: make package MAINTAINER="Name <address>".
package: package-deps
	cmake --preset package $(if $(MAINTAINER),-DTARVELIN_MAINTAINER="$(MAINTAINER)")
	cmake --build --preset package --parallel $(JOBS)
	cpack --preset package
	@ls build/package/*.deb

# Windows, cross-compiled with MinGW-w64 against a static Qt built once from
# Debian's own qt6-base source (about half an hour the first time) into a cache
# folder that `make clean` keeps; see tools/build_qt_windows.sh.
windows-deps: deps
	$(call install-missing,$(call packages,windows))

windows-qt: windows-deps
	tools/build_qt_windows.sh >/dev/null

windows_qt = TARVELIN_WINDOWS_QT=$$(tools/build_qt_windows.sh --prefix)

# The installer and the .zip: build/windows/Tarvelin-<version>-win64.{exe,zip}.
windows: windows-qt
	$(windows_qt) cmake --preset windows
	cmake --build --preset windows --parallel $(JOBS)
	cpack --preset windows
	@ls build/windows/Tarvelin-*-win64.exe build/windows/Tarvelin-*-win64.zip

# The whole suite built for Windows, warnings as errors, run on Wine; and the
# installer, installed and uninstalled silently in a scratch Wine prefix.
test-windows: windows-qt
	$(windows_qt) cmake --preset windows-check
	cmake --build --preset windows-check --parallel $(JOBS)
	ctest --preset windows-check

# How late each alarm kind wakes at the exercise's paces, built for Windows
# and run on Wine; writes docs/wakeups-windows.md. Fails when a target is
# missed. Wine is not Windows.
bench-windows: windows-qt
	$(windows_qt) cmake --preset windows
	cmake --build --preset windows --target bench_wakeups --parallel $(JOBS)
	WINEPREFIX=$(CURDIR)/build/windows/wine cmake/wine_emulator.sh build/windows/bench_wakeups.exe \
	    $(CURDIR)/docs/wakeups-windows.md

clean:
	rm -rf build
