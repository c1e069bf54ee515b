#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A long copy under X: the wait popup shows the time passing, the right soft key and F1 stop it,
# the source stays whole, a notice says what was done, and the program answers on. (This machine copies
# from the page cache at gigabytes a second, and makes many small files slowly and erratically,
# so cp is made long by a cp first on PATH that waits before it runs the real one.)
. "$(dirname "$0")/lib.sh"

start_xvfb
home=$WORK/home
mkdir -p "$home/dest" "$home/videos"
head -c 50000000 /dev/zero > "$home/videos/holiday.mp4"
echo short > "$home/videos/notes.txt"
printf '#!/bin/sh\nsleep 30\nexec %s "$@"\n' "$(command -v cp)" > "$WORK/bin/cp"
chmod +x "$WORK/bin/cp"

start_app "$home"
# Rows: .., dest, videos. Select several, check videos, Manage > Copy, into dest, Copy here.
keys F1 Down Down Return
keys Down Down space F1 Right Down Return
keys Down Return F1 Down Return
answer Copy F1
runner=$(find_window videos) || fail "the wait popup did not appear"
sleep 1.5
screenshot long-copy
focus "$runner"
keys F2
focus_dialog Copy
screenshot stop-question
keys F1
wait_for 'window_gone videos' 10 || fail "the wait popup did not close after the stop"
# Its shell is ended first; the sleep it started goes a moment later on a busy machine.
wait_for '! pgrep -f "^sleep 30\$" >/dev/null' 5 || fail "the command's processes were not ended"
[ "$(stat -c %s "$home/videos/holiday.mp4")" = 50000000 ] && [ -f "$home/videos/notes.txt" ] \
    || fail "the source was not left whole"
[ ! -e "$home/dest/videos" ] || fail "the stopped copy went on"
focus_dialog Copy   # no log: a notice of what was done and what was not
screenshot stop-notice
keys Return
wait_for 'window_gone Copy' || fail "the notice after the stop did not close"
[ -z "$(opened)" ] || fail "a stop the user chose opened a log: $(opened)"
[ "$(stdout_lines "Debug: system(cp -a \"$home/videos\" \"$home/dest/\")")" = 1 ] \
    || fail "the copy command is not the expected one"
# Still answering: the listing of dest, whose parent row leads home, then into videos.
focus "$MAIN_WINDOW"
: > "$WORK/opened.txt"
keys Return Down Down Return Down Return
wait_for '[ "$(opened)" = "$home/videos/holiday.mp4" ]' \
    || fail "the program does not answer after the stop: $(opened)"
quit_from_menu
expect_exit 0
echo "PASS"
