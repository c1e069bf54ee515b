#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as Debian and the software centres read it: lintian finds no error and no
# warning in it, its AppStream description and desktop entry are valid, and apt-get would
# install it. Each check runs where its tool is.
set -euo pipefail
: "${BUILD_DIR:?BUILD_DIR must name the build folder}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! command -v cpack >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
    echo "SKIP: cpack or dpkg-dev is missing: no package to check"
    exit 0
fi
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; echo "FAIL: the package could not be built"; exit 1; }
deb=$(ls "$work"/filemanager_*.deb)
dpkg-deb -x "$deb" "$work/root"
for file in usr/share/man/man1/filemanager.1.gz usr/share/metainfo/io.github.phonefm.filemanager.metainfo.xml \
    usr/share/applications/filemanager.desktop usr/share/doc/filemanager/copyright; do
    [ -e "$work/root/$file" ] || { echo "FAIL: not in the package: $file"; exit 1; }
done

if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$work/root/usr/share/metainfo/io.github.phonefm.filemanager.metainfo.xml" \
        || { echo "FAIL: the AppStream description is not valid"; exit 1; }
else
    echo "SKIP: appstreamcli is missing: the AppStream description is not validated"
fi
if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" 2>/dev/null | tee "$work/lintian.txt"
    ! grep -q '^[EW]:' "$work/lintian.txt" || { echo "FAIL: lintian finds faults in the package"; exit 1; }
else
    echo "SKIP: lintian is missing: the package is not checked against Debian's rules"
fi
# Its dependencies, as dpkg-shlibdeps wrote them for its architecture, are there to be had.
if command -v apt-get >/dev/null && apt-cache show libc6 >/dev/null 2>&1; then
    apt-get install --simulate "$deb" >"$work/apt.txt" 2>&1 \
        || { cat "$work/apt.txt"; echo "FAIL: apt-get cannot install the package"; exit 1; }
else
    echo "SKIP: no package lists: whether apt-get can install the package is not checked"
fi
echo "PASS"
