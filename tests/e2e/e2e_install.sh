#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program: cmake --install into a temporary prefix puts the executable with its
# catalogues, a link on PATH, a valid desktop entry and an icon in their places; the program
# started by its bare name through PATH (as the desktop entry's command does) or through another
# link finds its texts, and quits.
. "$(dirname "$0")/lib.sh"

prefix=$WORK/prefix
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for file in bin/filemanager lib/filemanager/filemanager lib/filemanager/filemanager_en-us.lng \
    lib/filemanager/filemanager_pl-pl.lng share/applications/filemanager.desktop \
    share/icons/hicolor/scalable/apps/filemanager.svg; do
    [ -e "$prefix/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$prefix/share/applications/filemanager.desktop" || fail "the desktop entry is not valid"
command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/filemanager.desktop")
[ "$command" = "filemanager %f" ] || fail "unexpected command in the desktop entry: $command"

start_xvfb
mkdir -p "$WORK/home/Music"
export PATH=$prefix/bin:$PATH
APP=filemanager
start_app "$WORK/home"   # the desktop entry's command, with the folder for %f
grep -qxF "vandr --debug--: read lngfile '$prefix/lib/filemanager/filemanager_en-us.lng'" "$WORK/stderr" \
    || fail "the installed catalogue was not read: $(cat "$WORK/stderr")"
quit_from_menu
expect_exit 0

ln -s "$prefix/bin/filemanager" "$WORK/fm"
APP=$WORK/fm
start_app "$WORK/home"
grep -qxF "vandr --debug--: read lngfile '$prefix/lib/filemanager/filemanager_en-us.lng'" "$WORK/stderr" \
    || fail "started through a link, the program did not find its catalogue"
quit_from_menu
expect_exit 0
echo "PASS"
