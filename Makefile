# SPDX-License-Identifier: GPL-3.0-or-later
# The two everyday commands: `make run` and `make test`. Both install what is
# missing first, so a fresh Debian machine needs nothing else.

PACKAGES := $(shell grep -v '^\#' packages.txt)
TEST_PACKAGES := desktop-file-utils appstream
BENCH_PACKAGES := gnuplot-nox
PACKAGE_PACKAGES := dpkg-dev file
SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

.PHONY: run test bench soak package deps test-deps bench-deps package-deps build build-asan clean

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

deps:
	$(call install-missing,$(PACKAGES))

test-deps: deps
	$(call install-missing,$(TEST_PACKAGES))

bench-deps: deps
	$(call install-missing,$(BENCH_PACKAGES))

package-deps: deps
	$(call install-missing,$(PACKAGE_PACKAGES))

build: deps
	cmake --preset default
	cmake --build --preset default

build-asan: deps
	cmake --preset asan
	cmake --build --preset asan

run: build
	./build/default/tarvelin

test: test-deps build build-asan
	ctest --preset default
	ctest --preset asan

# Timing against the nominal timeline, resources, start-up; writes docs/performance.md
# and draws docs/timing.svg. Fails when a target is missed, after drawing.
bench: bench-deps
	cmake --preset release
	cmake --build --preset release --target bench_timing
	./build/release/bench/bench_timing docs/performance.md build/release/bench; status=$$?; \
	gnuplot -e "datadir='build/release/bench'" bench/timing.gp > docs/timing.svg && exit $$status

# Ten minutes of the real window at the fastest pace; fails if memory grows by 1 MB.
soak: deps
	cmake --preset release
	cmake --build --preset release --target soak
	./build/release/bench/soak 600

# The Debian package: optimised, hardened and stripped; written to build/package.
# A publisher sets the maintainer: make package MAINTAINER="Name <address>".
package: package-deps
	cmake --preset package $(if $(MAINTAINER),-DTARVELIN_MAINTAINER="$(MAINTAINER)")
	cmake --build --preset package
	cpack --preset package
	@ls build/package/*.deb

clean:
	rm -rf build
