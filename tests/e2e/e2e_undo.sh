#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Undo of a multiple move with the keys, and an operation cut short by a kill, reported and taken
# back at the next start.
. "$(dirname "$0")/lib.sh"

start_xvfb
make_home a.txt b.txt c.txt
tree() { (cd "$home" && find . -printf '%y %p %s %i\n' -type f -printf '%T@\n' | sort); }
before=$(tree)

# Select several (rows: .., a, b, c), check all three, Manage > Move, Move here in dest.
move_all() {
    keys F1 Down Down Return Down space Down space Down space F1 Right Down Down Return
    keys Return Down Return F1 Down Return
    answer Move F1
}

start_app "$src"
move_all
wait_for '[ -z "$(ls "$src")" ]' || fail "the three files were not moved"
focus "$MAIN_WINDOW"
# Manage > the last entry, Undo, in dest.
keys F1 Down Right Up Return
answer Undo F1
wait_for '[ -z "$(ls "$dest")" ]' || fail "the move was not undone: $(ls "$dest")"
[ "$(tree)" = "$before" ] || fail "the tree is not as it was: $(tree)"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0

# The program is killed while the second, slow mv runs: the first file went across, the second
# goes on moving without it, the third was never begun.
cat > "$WORK/bin/mv" <<EOS
#!/bin/sh
[ -e "$WORK/first-mv" ] || { : > "$WORK/first-mv"; exec /bin/mv "\$@"; }
: > "$WORK/slow-mv"
sleep 3
/bin/mv "\$@"
: > "$WORK/slow-mv-ended"
EOS
chmod +x "$WORK/bin/mv"
start_app "$src"
move_all
wait_for '[ -e "$WORK/slow-mv" ]' || fail "the second move did not start"
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=
rm "$WORK/bin/mv"
[ "$(ls "$dest")" = a.txt ] || fail "not what the kill should leave: $(ls "$dest")"

# The next start waits for the mv that outlived the program, so that its report (Done: 2) and
# the taking back count the second file too.
start_app "$src"
find_window Interrupted >/dev/null || fail "no report of the interrupted move"
[ -e "$WORK/slow-mv-ended" ] || fail "the report did not wait for the command still running"
answer Interrupted F1
wait_for '[ -z "$(ls "$dest")" ]' || fail "what was done was not taken back: $(ls "$dest")"
[ "$(tree)" = "$before" ] || fail "the tree is not as it was: $(tree)"
# Settled: the next start asks nothing.
[ -z "$(ls "$XDG_STATE_HOME/filemanager/history")" ] || fail "what was taken back is still on record"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0
echo "PASS"
