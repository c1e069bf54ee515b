#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copy and move through the pick modes, a multiple copy and a multiple delete, with the keys and
# the real utilities.
. "$(dirname "$0")/lib.sh"

start_xvfb
make_home one.txt two.txt three.txt
mkdir -p "$src/dirA"
echo inner > "$src/dirA/inner.txt"

command_ran() {
    [ "$(stdout_lines "Debug: system($1)")" = 1 ] || fail "the command '$1' did not run exactly once"
}

start_app "$src"
# Rows: .., dirA, one.txt, three.txt, two.txt. Manage > Copy on one.txt.
keys Down Down F1 Down Right Down Down Return
# Folders only now: .. leads home (.., dest, src), then into dest; Copy here.
keys Return Down Return F1 Down Return
answer Copy F1
wait_for '[ -f "$dest/one.txt" ]' || fail "one.txt was not copied"
command_ran "cp -a \"$src/one.txt\" \"$dest/\""
[ -f "$src/one.txt" ] || fail "the copy removed its source"
back_to_main

# Back home, into src, Manage > Move on two.txt, then Move here in dest.
keys F2 Down Down Return Down Down Down Down F1 Down Right Down Down Down Return
keys Return Down Return F1 Down Return
answer Move F1
wait_for '[ -f "$dest/two.txt" ] && [ ! -e "$src/two.txt" ]' || fail "two.txt was not moved"
command_ran "mv \"$src/two.txt\" \"$dest/\""
back_to_main

# Multiple copy: in src, Select several, check dirA and three.txt, Manage > Copy, Copy here in dest.
keys F2 Down Down Return F1 Down Down Return
keys Down space Down Down space F1 Right Down Return
keys Return Down Return F1 Down Return
answer Copy F1
wait_for '[ -f "$dest/dirA/inner.txt" ] && [ -f "$dest/three.txt" ]' || fail "the checked entries were not copied"
command_ran "cp -a \"$src/dirA\" \"$dest/\""
command_ran "cp -a \"$src/three.txt\" \"$dest/\""
grep -qzF $'get item list:\ndirA\nthree.txt\n================\n' "$WORK/stdout" || fail "the gathered names are not printed"
back_to_main

# Multiple delete in dest (.., dirA, one.txt, three.txt, two.txt): check dirA and two.txt.
keys F1 Down Down Return Down space Down Down Down space
keys F1 Right Return
focus_dialog Delete
keys F2
wait_for 'window_gone Delete' || fail "the question did not close"
[ -d "$dest/dirA" ] && [ -f "$dest/two.txt" ] || fail "no to the question deleted something"
focus "$MAIN_WINDOW"
keys F1 Right Return   # the checks are kept
answer Delete F1
wait_for '[ ! -e "$dest/dirA" ] && [ ! -e "$dest/two.txt" ]' || fail "the checked entries were not deleted"
command_ran "rm -rf \"$dest/dirA\""
command_ran "rm -rf \"$dest/two.txt\""
[ "$(ls "$dest" | tr '\n' ,)" = "one.txt,three.txt," ] || fail "unexpected entries in dest: $(ls "$dest")"
[ "$(ls "$src" | tr '\n' ,)" = "dirA,one.txt,three.txt," ] || fail "unexpected entries in src: $(ls "$src")"
[ "$(grep -c 'get item list:' "$WORK/stdout")" = 3 ] || fail "expected three gatherings"
screenshot copymove
back_to_main

# one.txt copied again onto the one in dest, Replace all: the old one is in the desktop's trash.
echo older > "$dest/one.txt"
keys F2 Down Down Return Down Down F1 Down Right Down Down Return
keys Return Down Return F1 Down Return
question=$(find_window Copy) || fail "no question"
answer Copy F1
wait_for '[ "$(find_window Copy)" != "$question" ]' && answer Copy F1   # the choice: Replace all
wait_for '[ "$(cat "$dest/one.txt")" = one ]' || fail "one.txt was not replaced"
trash-list | grep -qF " $dest/one.txt" || fail "the trash does not list it: $(trash-list)"
[ "$(cat "$XDG_DATA_HOME/Trash/files/one.txt")" = older ] || fail "the trash does not hold it"
back_to_main
quit_from_menu
expect_exit 0
echo "PASS"
