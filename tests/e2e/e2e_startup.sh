#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program under X: its window is found by the catalogue title, F1 opens the options
# menu, the about box opens and closes, and the quit entry ends the program with status 0.
. "$(dirname "$0")/lib.sh"

start_xvfb
mkdir -p "$WORK/home/Music" "$WORK/home/Photos"
touch "$WORK/home/notes.txt"
start_app "$WORK/home"
sleep 0.5
screenshot startup
grep -qxF "vandr --debug--: read lngfile '${APP}_en-us.lng'" "$WORK/stderr" \
    || fail "the catalogue beside the executable was not read"

# Options menu: New folder, Manage, Select several, About, Quit; the first is highlighted.
keys F1 Down Down Down Return
find_window About >/dev/null || fail "the about box did not open"
focus_dialog About
keys Return
wait_for 'window_gone About' || fail "the about box did not close"

focus "$MAIN_WINDOW"
keys F1
screenshot menu
keys Down Down Down Down Return
expect_exit 0

# Qt's own options are taken out before the program reads its start folder. A popup opens at the
# bottom of the window that -geometry placed, not where the window would have been.
start_app -platform xcb -geometry 360x480+40+60 "$WORK/home"
xdotool getwindowgeometry "$MAIN_WINDOW" | grep -q 'Geometry: 360x480' || fail "-geometry was not applied"
keys F1 Up Up Up Return      # About
about=$(find_window About) || fail "the about box did not open"
read -r x y w h < <(xdotool getwindowgeometry "$about" \
    | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p; s/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' | xargs)
[ "$x" = 40 ] && [ "$w" = 360 ] && [ $((y + h)) = 540 ] || fail "the about box is at $x,$y ${w}x$h"
focus "$about"
keys Return
focus "$MAIN_WINDOW"
keys Down Down Down Return   # .., Music, Photos, notes.txt
wait_for '[ "$(opened)" = "$WORK/home/notes.txt" ]' || fail "the start folder was not listed: $(opened)"
quit_from_menu
expect_exit 0
# --help and --version, also where there is no display; a folder named like an option is
# reached as ./--help.
[ "$(env -u DISPLAY "$APP" --version)" = "filemanager 1.0" ] || fail "--version"
env -u DISPLAY "$APP" --help > "$WORK/help" || fail "--help did not end with status 0"
grep -q '^Usage: filemanager \[START-FOLDER \[NAME-FILTER\]\]' "$WORK/help" || fail "--help printed no usage"
mkdir -p "$WORK/--help/inside"
touch "$WORK/--help/inside/found.txt"
: > "$WORK/opened.txt"
start_app ./--help
keys Down Return Down Return
wait_for '[ "$(opened)" = "$WORK/--help/inside/found.txt" ]' || fail "./--help was not listed: $(opened)"
quit_from_menu
expect_exit 0
echo "PASS"
