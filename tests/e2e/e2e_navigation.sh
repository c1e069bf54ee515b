#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Walking folders with the keys, opening files through the desktop's opener, the quit question
# at the root, and check boxes in multi-select.
. "$(dirname "$0")/lib.sh"

start_xvfb
home=$WORK/home
mkdir -p "$home/a/b"
touch "$home/a/b/deep.txt" "$home/top.txt" "$home/a/middle.txt"

start_app "$home"
# Rows in home: "..", a, top.txt. Down to a, in; Down to b, in; Down to deep.txt, open.
keys Down Return Down Return Down Return
wait_for '[ "$(opened)" = "$home/a/b/deep.txt" ]' || fail "deep.txt did not reach the opener: $(opened)"
# Up twice with the right soft key, then open top.txt from home.
keys F2 F2 Down Down Return
wait_for '[ "$(opened | tail -n 1)" = "$home/top.txt" ]' || fail "F2 did not lead back home: $(opened)"

# Multi-select from the options menu (New folder, Manage, Select several...): Space checks rows,
# and they are what the delete entry gathers. Answering no deletes nothing.
keys F1 Down Down Return
keys Down space Down space Up space   # a checked, top.txt checked, a unchecked again
keys F1 Right Return                   # Manage > Delete
focus_dialog Delete
screenshot multi-delete-question
keys F2
wait_for 'window_gone Delete' || fail "the delete question did not close"
[ "$(stdout_lines 'get item list:')" = 1 ] || fail "the checked names were not gathered"
grep -qxF top.txt "$WORK/stdout" || fail "top.txt was not checked"
! grep -qxF a "$WORK/stdout" || fail "a was unchecked and still gathered"
[ -e "$home/top.txt" ] || fail "top.txt was deleted after no"
# F2 leaves multi-select in the same folder: Return opens files again.
focus "$MAIN_WINDOW"
keys F2 Down Down Return
wait_for '[ "$(opened | tail -n 1)" = "$home/top.txt" ]' || fail "F2 did not leave multi-select"
[ "$(opened | wc -l)" = 3 ] || fail "unexpected opener calls: $(opened)"
quit_from_menu
expect_exit 0

# A double click on a folder enters it, and its second click opens nothing of the new listing,
# whose first file row then lies under the pointer.
mkdir -p "$home/dbl/sub"
touch "$home/dbl/sub/f1" "$home/dbl/sub/f2"
: > "$WORK/opened.txt"
start_app "$home/dbl"
y=$(row_y 1) || fail "the rows could not be measured"
xdotool mousemove --window "$MAIN_WINDOW" 60 "$y" click --repeat 2 --delay 80 1
sleep 1
[ -z "$(opened)" ] || fail "the double click opened a file: $(opened)"
keys Home Down Down Return
wait_for '[ "$(opened)" = "$home/dbl/sub/f2" ]' || fail "the double click did not enter sub: $(opened)"
quit_from_menu
expect_exit 0

# Changes from outside show by themselves: a file made there becomes a row, and one removed goes,
# its row taken by the next; no key is pressed until they have shown.
live=$WORK/live
mkdir -p "$live"
touch "$live/a.txt"
: > "$WORK/opened.txt"
start_app "$live"
touch "$live/b.txt"
sleep 2
keys Down Down Return   # .., a.txt, b.txt
wait_for '[ "$(opened)" = "$live/b.txt" ]' || fail "a file made from outside did not show: $(opened)"
rm "$live/a.txt"
sleep 2
keys Return             # the highlight stays on b.txt, now the first row after ..
wait_for '[ "$(opened | tail -n 1)" = "$live/b.txt" ] && [ "$(opened | wc -l)" = 2 ]' \
    || fail "a file removed from outside did not go: $(opened)"
quit_from_menu
expect_exit 0

# At the root, the right soft key asks before quitting: no stays, yes ends with status 0.
start_app /
keys F2
focus_dialog Quit
screenshot quit-question
keys F2
wait_for 'window_gone Quit' || fail "the quit question did not close"
still_running || fail "no to the quit question ended the program"
focus "$MAIN_WINDOW"
keys F2
focus_dialog Quit
keys F1
expect_exit 0
echo "PASS"
