#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds into build/ and runs every test through ctest.
# Extra arguments go to ctest (for example -R catalog, or -L e2e).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh

install_missing $BUILD_PACKAGES $TEST_PACKAGES
build_project build
cd build
ctest --output-on-failure -j 2 --timeout 300 "$@"
