#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Creating, renaming and deleting with the keys and the real utilities, also for names that hold
# the shell's own characters.
. "$(dirname "$0")/lib.sh"

start_xvfb
home=$WORK/home
mkdir -p "$home/tree/x/y"
echo z > "$home/tree/x/y/z.txt"
echo keep > "$home/keep.txt"
echo old > "$home/old.txt"

answer_entry() { # title, text to type
    focus_dialog "$1"
    type_text "$2"
    keys Return
}

start_app "$home"
# New folder is the options menu's first entry.
keys F1 Return
answer_entry "New folder" "made by keys"
wait_for '[ -d "$home/made by keys" ]' || fail "the folder was not created"
focus "$MAIN_WINDOW"

# Rows: .., made by keys, tree, keep.txt, old.txt. Manage > Rename on old.txt.
keys Down Down Down Down F1 Down Right Return
answer_entry Rename "new"   # the base name is selected: the extension stays
wait_for '[ -f "$home/new.txt" ]' || fail "old.txt was not renamed"
[ "$(cat "$home/new.txt")" = old ] && [ ! -e "$home/old.txt" ] || fail "the rename lost data"
[ "$(stdout_lines "Debug: system(mv \"$home/old.txt\" \"$home/new.txt\")")" = 1 ] \
    || fail "the rename command is not the expected one"
focus "$MAIN_WINDOW"

# Manage > Delete on tree: no keeps it, yes removes the whole tree.
keys Down Down F1 Down Right Down Return
focus_dialog Delete
keys F2
wait_for 'window_gone Delete' || fail "the question did not close"
[ -f "$home/tree/x/y/z.txt" ] || fail "no to the question deleted something"
focus "$MAIN_WINDOW"
keys F1 Down Right Down Return
focus_dialog Delete
keys F1
wait_for '[ ! -e "$home/tree" ]' || fail "the tree was not deleted"
[ "$(stdout_lines "Debug: system(rm -rf \"$home/tree\")")" = 1 ] || fail "the delete command is not the expected one"
[ "$(ls "$home" | tr '\n' ,)" = "keep.txt,made by keys,new.txt," ] || fail "unexpected entries: $(ls "$home")"
screenshot fileops
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0

# Names with a double quote, a command substitution, backquotes, a backslash and a newline.
odd=$WORK/odd
mkdir -p "$odd"
names=('a"b' 'c$(touch pwned)d' 'e`touch pwned2`f' 'g\h' $'i\nj')
for name in "${names[@]}"; do printf '%s' "$name" > "$odd/$name"; done
start_app "$odd"
# Each time the first entry is the next odd name: rename three of them...
for n in 1 2 3; do
    focus "$MAIN_WINDOW"
    keys Down F1 Down Right Return
    answer_entry Rename "r$n"
    wait_for "[ -f '$odd/r$n' ]" || fail "rename $n did not happen"
done
# ...and delete the other two.
for n in 4 5; do
    focus "$MAIN_WINDOW"
    keys Down F1 Down Right Down Return
    focus_dialog Delete
    keys F1
    # Counted by entries, not lines: one name holds a line feed.
    wait_for "[ \$(find '$odd' -mindepth 1 -maxdepth 1 -printf . | wc -c) -eq $((8 - n)) ]" \
        || fail "delete $n did not happen"
done
[ "$(cat "$odd/r1")" = 'a"b' ] && [ "$(cat "$odd/r2")" = 'c$(touch pwned)d' ] \
    && [ "$(cat "$odd/r3")" = 'e`touch pwned2`f' ] || fail "the renames mixed up the entries"
[ "$(ls -A "$odd" | tr '\n' ,)" = "r1,r2,r3," ] || fail "unexpected entries: $(ls -A "$odd")"
[ -z "$(find "$WORK" "$PWD" -maxdepth 3 -name 'pwned*' 2>/dev/null)" ] || fail "a name was run as a command"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0
echo "PASS"
