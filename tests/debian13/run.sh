#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and tests the working tree as a new user would on Debian 13 (Qt 6.8,
# GCC 14): in a clean system made by mmdebstrap, `make test` (the browser
# page's tests among them), `make web`, then `make build` and a start of the
# program that must still be running after three seconds.
# Nothing is kept; the system is made afresh each time. Needs root.
set -euo pipefail
cd "$(dirname "$0")/../.."
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
work=build/debian13
mkdir -p "$work"
# Tracked and new files, not the build trees: what a fresh clone plus this change holds.
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf "$work/source.tar"

# A machine that reaches the npm registry through an inspecting proxy trusts
# the proxy's certificate authority locally; the clean system must too.
trust=()
if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
    trust=(--customize-hook='copy-in /usr/local/share/ca-certificates /usr/local/share'
           --customize-hook='chroot "$1" update-ca-certificates')
fi

mmdebstrap --variant=apt --include=make,git,ca-certificates \
    "${trust[@]}" \
    --customize-hook='mkdir "$1/src"' \
    --customize-hook="tar-in $work/source.tar /src" \
    --customize-hook='chroot "$1" sh -c "cd /src && NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt make test"' \
    --customize-hook='chroot "$1" sh -c "cd /src && make web && test -s build/web/tarvelin.html"' \
    --customize-hook='chroot "$1" sh -c "cd /src && make build"' \
    --customize-hook='chroot "$1" sh -c "cd /src && QT_QPA_PLATFORM=offscreen timeout 3 ./build/default/tarvelin; test \$? -eq 124"' \
    trixie /dev/null "$mirror"
echo "Debian 13: make test passed, make web wrote the page, make build built and the program started"
