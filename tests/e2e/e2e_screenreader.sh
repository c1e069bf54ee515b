#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader reads (a real AT-SPI client, a private session bus): rows, window, list,
# a check, a pick mode, a question, the choice, a long copy's progress and calm changes, a notice.
[ -n "${FM_PRIVATE_BUS:-}" ] || exec env FM_PRIVATE_BUS=1 dbus-run-session -- bash "$0" "$@"
. "$(dirname "$0")/lib.sh"
/usr/libexec/at-spi-bus-launcher --launch-immediately &
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_xvfb
make_home a.txt
ln -s a.txt "$src/link"
head -c 20000000 /dev/zero > "$src/big.bin"
echo old > "$dest/big.bin"
# A copy that writes its file over twelve seconds, its progress sampled many times.
printf '#!/bin/sh\nfor to; do :; done\nfor i in $(seq 24); do head -c $((i * 800000)) "$2" > "$to/${2##*/}"
sleep 0.5; done\nexec %s "$@"\n' "$(command -v cp)" > "$WORK/bin/cp"
chmod +x "$WORK/bin/cp"
tree() { "$(dirname "$0")/atspi_read.py" "${@:-tree}" > "$WORK/${1:-tree}"; }
reads() { # an object whose fields, one after another, are these
    grep -qF -- "$(IFS=$'\t'; echo "$*")" "$WORK/tree" || fail "not read: $*$(echo; cat "$WORK/tree")"
}

start_app "$src"
wait_for tree || fail "the program is not on the accessibility bus"
for row in $'frame\tFile Manager' $'list\tsrc' $'list item\t..\tfolder\tfocused,selected' \
    $'list item\ta.txt\tfile, 2 B' $'list item\tlink\tlink to a.txt'; do reads "$row"; done
keys F1 Down Down Return Down Down space   # multi-select, big.bin checked
tree
reads 'list item' big.bin 'file, 19 MB' focused,selected,checked
reads 'list item' a.txt 'file, 2 B' '' ''
keys F1 Right Down Return   # Manage > Copy: the pick mode
tree
reads label "Copy to: $src"
keys Return Down Return F1 Down Return   # up, into dest, Copy here
question=$(find_window Copy) && focus "$question" || fail "no question"
tree
reads dialog Copy "Copy the checked entries of $src -> $dest"
reads 'push button' Yes
keys F1
wait_for '[ "$(find_window Copy)" != "$question" ]' && tree
grep -A1 -P '^list\t[^\t]+\t' "$WORK/tree" | grep -q $'^list item\tReplace all' || fail "no named choices"
answer Copy F1
wait_for 'tree; grep -q "^progress bar" "$WORK/tree"' || fail "no progress bar"
tree names 3
tree
reads dialog big.bin
awk -F'\t' '$1 == "progress bar" { split($5, v, "/"); ok = v[3] > v[2] && v[1] > v[2] && v[1] <= v[3] }
    END { exit !ok }' "$WORK/tree" || fail "the progress bar has no value within its range"
# Each label's changes at most once a second, and the amount's told twice at least in 3 s.
awk -F'\t' '{ kind = $3 ~ / \/ / ? "amount" : $3 ~ /^[0-9]+:[0-9]+$/ ? "time" : $2 " " $3 }
    kind == "amount" { n++ } kind in at && $1 - at[kind] < 0.9 { fast = 1 } { at[kind] = $1 }
    END { exit fast || n < 2 }' "$WORK/names" || fail "name changes: $(cat "$WORK/names")"
wait_for '[ "$(stat -c %s "$dest/big.bin")" = 20000000 ]' 20 || fail "the copy did not end"
back_to_main
keys F1 Up Up Up Return   # About: a notice
wait_for 'tree; grep -q "^alert" "$WORK/tree"' || fail "a notice is not an alert"
keys Return
quit_from_menu
expect_exit 0
echo "PASS"
