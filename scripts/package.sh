#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (installing what is missing) and prints its path:
#   scripts/package.sh && sudo apt-get install ./build/filemanager_*.deb
#   scripts/package.sh --arch arm64     cross-built into build-arm64/, for the Linux phones
# The arm64 build uses Debian's multiarch: the arm64 Qt beside this machine's own, the cross
# compiler, and qemu-user-static to run its tests (ctest --test-dir build-arm64 -L 'unit|package').
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh

arch=
case "${1:-}" in
    --arch) arch=${2:?--arch needs an architecture} ;;
    "") ;;
    *) echo "usage: $0 [--arch arm64]" >&2; exit 2 ;;
esac
if [ -z "$arch" ] || [ "$arch" = "$(dpkg --print-architecture)" ]; then
    install_missing $BUILD_PACKAGES $PACKAGE_PACKAGES
    build_project build
    (cd build && cpack -G DEB >&2)
    ls "$PWD"/build/filemanager_*.deb
    exit 0
fi
[ "$arch" = arm64 ] || { echo "$0: only arm64 can be cross-built" >&2; exit 2; }

if ! { dpkg --print-architecture; dpkg --print-foreign-architectures; } | grep -qx arm64; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # install_missing then reads the package lists again, with arm64's.
    $sudo dpkg --add-architecture arm64
fi
install_missing $PACKAGE_PACKAGES $ARM64_PACKAGES
build_project build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DFM_BENCH=OFF
rm -f build-arm64/filemanager_*.deb
(cd build-arm64 && cpack -G DEB >&2)
ls "$PWD"/build-arm64/filemanager_*_arm64.deb
