#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The trash from the window: an entry moved there is where trash-list finds it; what other
# programs put there (trash-put, gio trash) is listed too, and the view restores it all.
. "$(dirname "$0")/lib.sh"

start_xvfb
make_home one.txt three.txt two.txt
listed() { trash-list 2>/dev/null | grep -F " $src/" | sed 's/.* //' | sort | tr '\n' ,; }

start_app "$src"
# Rows: .., one.txt, three.txt, two.txt. Manage > Move to trash on one.txt: no question.
keys Down F1 Down Right Down Down Down Down Return
wait_for '[ ! -e "$src/one.txt" ] && [ "$(listed)" = "$src/one.txt," ]' \
    || fail "one.txt did not reach the trash as trash-list reads it: $(trash-list)"
# Put there by other programs while the window is open.
trash-put "$src/two.txt" || fail "trash-put failed"
# gio refuses a tmpfs it takes for the system's own (a private /tmp): then trash-put.
gio trash "$src/three.txt" 2>/dev/null || trash-put "$src/three.txt" || fail "three.txt was not trashed"
# Go to > Trash: three entries. Select several, Select all, Restore.
keys F1 Down Down Down Down Down Right Return
keys F1 Down Down Down Return
keys F1 Down Down Down Return
keys F1 Return
wait_for '[ -f "$src/one.txt" ] && [ -f "$src/two.txt" ] && [ -f "$src/three.txt" ]' \
    || fail "the trash view did not restore them all: $(ls "$src")"
[ "$(cat "$src/two.txt")" = two ] || fail "two.txt came back changed"
[ -z "$(listed)" ] || fail "the trash still lists: $(listed)"
[ -z "$(ls -A "$XDG_DATA_HOME/Trash/info")" ] || fail "infos were left: $(ls -A "$XDG_DATA_HOME/Trash/info")"
screenshot trash
# Restored, the view shows what is left; Back leaves it for the folder shown before.
keys F2 Down Return
wait_for '[ "$(opened)" = "$src/one.txt" ]' || fail "Back did not return to the folder: $(opened)"
quit_from_menu
expect_exit 0
echo "PASS"
