#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader reads, over AT-SPI with a real client (pyatspi) on a private session bus:
# what each row is, the window and the list by name, the checks of multi-select, a pick mode, a
# question, the choice, the wait popup's progress and its changes told at most once a second, and
# a notice as an alert.
[ -n "${FM_PRIVATE_BUS:-}" ] || exec env FM_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/lib.sh"
READ=$(dirname "$0")/atspi_read.py
/usr/libexec/at-spi-bus-launcher --launch-immediately &
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_xvfb
home=$WORK/home
mkdir -p "$home/Music" "$home/dest"
echo hello > "$home/a.txt"
ln -s a.txt "$home/link"
head -c 20000000 /dev/zero > "$home/big.bin"
echo old > "$home/dest/big.bin"
# A copy of one file that writes it over twelve seconds, so that its progress is sampled many
# times.
printf '#!/bin/sh\nfor to; do :; done; [ -d "$to" ] && to=$to/${2##*/}
for i in $(seq 24); do head -c $((i * 800000)) "$2" > "$to"; sleep 0.5; done
exec %s "$@"\n' "$(command -v cp)" > "$WORK/bin/cp"
chmod +x "$WORK/bin/cp"

tree() { "$READ" tree > "$WORK/tree" || fail "no accessibility tree"; }
# Fails unless an object of the tree reads as these fields, one after another.
reads() {
    local line
    line=$(printf '%s\t' "$@")
    grep -qF -- "${line%$'\t'}" "$WORK/tree" || fail "a screen reader does not read: $*$(printf '\n'; cat "$WORK/tree")"
}

start_app "$home"
tree
reads frame 'File Manager'
reads list home
reads 'list item' .. folder focused,selected,showing
reads 'list item' Music folder
reads 'list item' a.txt 'file, 6 B'
reads 'list item' link 'link to a.txt'
keys F1 Down Down Return Down Down Down Down space   # multi-select; big.bin checked
tree
# (Qt's AT-SPI bridge tells no "checkable" state; tst_platform sees it at Qt's level.)
reads 'list item' big.bin 'file, 19 MB' focused,selected,checked,showing
reads 'list item' a.txt 'file, 6 B' showing
keys F1 Right Down Return   # Manage > Copy: the pick mode
tree
reads label "Copy to: $home"
reads list home
keys Down Down Return F1 Down Return   # into dest, Copy here
focus_dialog Copy
tree
reads dialog Copy "Copy the checked entries of $home -> $home/dest"
reads 'push button' Yes
reads 'push button' No
question=$(find_window Copy)
keys F1
wait_for '[ "$(find_window Copy)" != "$question" ]' || fail "no choice for what stands there"
tree
grep -A1 -P '^list\t[^\t]+\t' "$WORK/tree" | grep -q $'^list item\tReplace all' \
    || fail "the choices are not the items of a named list"
answer Copy F1
wait_for 'tree; grep -q "^progress bar" "$WORK/tree"' || fail "no progress bar"
"$READ" names 3 > "$WORK/names"
tree
reads dialog big.bin
awk -F'\t' '$1 == "progress bar" { split($5, v, "/"); ok = v[3] > v[2] && v[1] > v[2] && v[1] <= v[3] }
    END { exit !ok }' "$WORK/tree" || fail "the progress bar has no value within its range"
grep -qP '^label\t[0-9.]+ [kMG]?B / 19 MB\t' "$WORK/tree" || fail "no label with the amount"
# Each label's changes, told at most once a second: the amount twice at least in 3 s.
awk -F'\t' '{ kind = $3 ~ / \/ / ? "amount" : $3 ~ /^[0-9]+:[0-9]+$/ ? "time" : $2 " " $3 }
    kind == "amount" { amounts++ } kind in at && $1 - at[kind] < 0.9 { fast = 1 } { at[kind] = $1 }
    END { exit fast || amounts < 2 }' "$WORK/names" || fail "name changes: $(cat "$WORK/names")"
wait_for '[ "$(stat -c %s "$home/dest/big.bin")" = 20000000 ]' 20 || fail "the copy did not end"
focus "$MAIN_WINDOW"
keys F1 Up Up Return   # About: a notice
wait_for 'tree; grep -q "^alert" "$WORK/tree"' || fail "a notice is not an alert"
keys Return F1 Up Return
expect_exit 0
echo "PASS"
