#!/usr/bin/env bash
# Builds the Debian package into build/ (installing what is missing) and prints its path:
#   scripts/package.sh && sudo apt-get install ./build/filemanager_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES
build_project build
(cd build && cpack -G DEB >&2)
ls "$PWD"/build/filemanager_*.deb
