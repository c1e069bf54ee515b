#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hostile input with the real utilities, driven with the keys: names that a shell would read,
# the command limit, an entry removed behind the program's back, a destination the user may not
# write, a full destination, and a missing catalogue or language. Each case checks that nothing
# but the intended entries changed and that no file was lost.
. "$(dirname "$0")/lib.sh"

start_xvfb
cases=0
passed() {
    cases=$((cases + 1))
    echo "case $cases: $1"
}

# A folder's state: every entry with its type, size and mode, and the content of its files, in
# one digest (names may hold line feeds; none holds "/").
state() {
    (cd "$1" && { find . -mindepth 1 -printf '%P/%y/%s/%m\0' | LC_ALL=C sort -z
        find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r cat; } | md5sum)
}

no_command_ran_from_a_name() {
    [ -z "$(find "$WORK" / -maxdepth 1 -name 'pwned*' 2>/dev/null)" ] \
        || fail "a name was run as a command"
}

# --- Names a shell would read ------------------------------------------------------------
root=$WORK/names
mkdir -p "$root/src" "$root/dest" "$root/dest2"
printable=$(printf '%s' ' !"#$%&'"'"'()*+,-.0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\]^_`abcdefghijklmnopqrstuvwxyz{|}~')
long=$(printf 'L%.0s' $(seq 255))
names=("$printable" "$long" $'line\nfeed' $'tab\there' '-rf' '--help' ' spaced ' '$(touch pwned)'
    '`touch pwned2`' 'Grüße 日本' "$(printf 'caf\xe9 latin1')" "$(printf '\x83\x65 sjis')")
i=0
for name in "${names[@]}"; do
    printf 'content %d' "$i" > "$root/src/$name"
    i=$((i + 1))
done
mkdir "$root/src/dir \$HOME \"quoted\""
echo inner > "$root/src/dir \$HOME \"quoted\"/inner"
source_state=$(state "$root/src")

start_app "$root/src"
# Select several, Select all, Manage > Copy; in the pick mode up to names/, into dest, Copy here.
keys F1 Down Down Return
keys F1 Down Return
keys F1 Right Down Return
keys Return Down Return F1 Down Return
answer Copy F1
wait_for '[ "$(state "$root/dest")" = "$source_state" ]' 20 || fail "the copy of hostile names differs"
[ "$(state "$root/src")" = "$source_state" ] || fail "the copy changed its source"
no_command_ran_from_a_name
passed "13 hostile names copied"

# In dest: Select several, Select all, Manage > Move; up, into dest2, Move here.
focus "$MAIN_WINDOW"
keys F1 Down Down Return
keys F1 Down Return
keys F1 Right Down Down Return
keys Return Down Down Return F1 Down Return
answer Move F1
wait_for '[ "$(state "$root/dest2")" = "$source_state" ]' 20 || fail "the move of hostile names differs"
[ -z "$(ls -A "$root/dest")" ] || fail "the move left entries behind"
no_command_ran_from_a_name
passed "13 hostile names moved"

# In dest2: Select several, Select all, Manage > Delete.
focus "$MAIN_WINDOW"
keys F1 Down Down Return
keys F1 Down Return
keys F1 Right Return
answer Delete F1
wait_for '[ -z "$(ls -A "$root/dest2")" ]' 20 || fail "the hostile names were not deleted"
[ "$(state "$root/src")" = "$source_state" ] && [ -d "$root/dest" ] \
    || fail "the delete reached beyond its entries"
no_command_ran_from_a_name
passed "13 hostile names deleted"

# Back in src, rename the first file (the one of every printable character: it begins with a
# blank, which sorts first) to a typed name.
focus "$MAIN_WINDOW"
keys F2 Down Down Down Return
keys Down Down F1 Down Right Return
focus_dialog Rename
keys ctrl+a   # the whole name, extension too
type_text "renamed plain"
keys Return
wait_for '[ -f "$root/src/renamed plain" ]' || fail "the name of every character was not renamed"
[ "$(cat "$root/src/renamed plain")" = "content 0" ] && [ ! -e "$root/src/$printable" ] \
    || fail "the rename took the wrong entry"
[ "$(find "$root/src" -mindepth 1 -maxdepth 1 -printf . | wc -c)" = 13 ] || fail "the rename lost an entry"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0
passed "a hostile name renamed"

# --- The command limit -------------------------------------------------------------------
# rm -rf "<path>" takes 9 bytes more than the path: paths of 989 and 990 bytes give commands of
# 998 (the limit, run) and 999 bytes (refused with a notice).
folder=$WORK/limit
while [ $(( ${#folder} + 201 )) -lt 740 ]; do folder=$folder/$(printf 'd%.0s' $(seq 200)); done
folder=$folder/$(printf 'e%.0s' $(seq $((740 - ${#folder} - 1))))   # 740 bytes: names of 248, 249
mkdir -p "$folder"
fits=$(printf 'a%.0s' $(seq $((989 - ${#folder} - 1))))
over=$(printf 'b%.0s' $(seq $((990 - ${#folder} - 1))))
touch "$folder/$fits" "$folder/$over"
start_app "$folder"
keys Down F1 Down Right Down Return  # Manage > Delete on the first file
answer Delete F1
wait_for '[ ! -e "$folder/$fits" ]' || fail "the command of 998 bytes did not run"
command="rm -rf \"$folder/$fits\""
[ ${#command} = 998 ] && [ "$(stdout_lines "Debug: system($command)")" = 1 ] \
    || fail "the command of 998 bytes is not the one that ran"
focus "$MAIN_WINDOW"
keys Down F1 Down Right Down Return
answer Delete F1
find_window Error >/dev/null || fail "the command of 999 bytes gave no notice"
answer Error Return
[ -e "$folder/$over" ] || fail "the command of 999 bytes ran"
[ "$(grep -c 'Debug: system' "$WORK/stdout")" = 1 ] || fail "a command of 999 bytes was run"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0
passed "a command of 998 bytes runs, one of 999 is refused"

# --- An entry removed behind the program's back -----------------------------------------------
mkdir -p "$WORK/gone/src" "$WORK/gone/dest"
echo gone > "$WORK/gone/src/gone.txt"
echo stay > "$WORK/gone/src/stay.txt"
: > "$WORK/opened.txt"
start_app "$WORK/gone/src"
keys F1 Down Down Return Down space   # Select several, check gone.txt
keys F1 Right Down Return             # Manage > Copy: the names are taken
rm "$WORK/gone/src/gone.txt"          # (the listing would no longer hold it)
keys Return Down Return F1 Down Return
answer Copy F1
# It is no longer the entry chosen: no command, and a notice says so.
sleep 0.5
find_window Copy >/dev/null || fail "no notice names the vanished entry"
[ "$(grep -c 'Debug: system(cp' "$WORK/stdout")" = 0 ] || fail "a copy of the vanished entry ran"
answer Copy Return
[ -z "$(ls -A "$WORK/gone/dest")" ] && [ "$(cat "$WORK/gone/src/stay.txt")" = stay ] \
    || fail "the copy of a vanished entry changed something"
# The listing of dest is right: it has no row for the vanished entry to open.
focus "$MAIN_WINDOW"
: > "$WORK/opened.txt"
keys Down Return
sleep 0.5
[ -z "$(opened)" ] || fail "the listing shows an entry that is not there: $(opened)"
quit_from_menu
expect_exit 0
passed "an entry removed before its copy is not touched, and said so"

# --- A destination the user may not write -----------------------------------------------------
if ! runuser -u nobody -- test -x "$APP"; then
    echo "SKIP: the unprivileged user nobody cannot run $APP here (it needs root and a readable build folder)"
else
    chmod 755 "$WORK"
    mine=$WORK/nobody
    mkdir -p "$mine/src" "$mine/runtime"
    echo one > "$mine/src/one.txt"
    echo two > "$mine/src/two.txt"
    chown -R nobody "$mine"
    mkdir "$mine/closed"   # root's
    chmod 700 "$mine/runtime"
    chmod 666 "$WORK/opened.txt"
    : > "$WORK/opened.txt"
    (cd "$mine" && exec runuser -u nobody -- env XDG_RUNTIME_DIR="$mine/runtime" "$APP" "$mine/src" \
        >"$WORK/stdout" 2>"$WORK/stderr") &
    APP_PID=$!
    MAIN_WINDOW=$(find_window "File Manager") || fail "the program did not start as nobody"
    focus "$MAIN_WINDOW"
    for operation in copy move; do
        # Manage > Copy (or Move) on one.txt, up (closed, runtime, src), into closed, Copy here.
        if [ $operation = copy ]; then keys Down F1 Down Right Down Down Return
        else keys F2 Down Down Down Return Down F1 Down Right Down Down Down Return; fi
        keys Return Down Return F1 Down Return
        title=$([ $operation = copy ] && echo Copy || echo Move)
        answer "$title" F1
        wait_for '[ -n "$(opened)" ]' || fail "the $operation into a closed folder opened no log"
        grep -q "Permission denied" "$(opened)" || fail "the log of the $operation does not say why"
        [ "$(cat "$mine/src/one.txt")" = one ] && [ -z "$(ls -A "$mine/closed")" ] \
            || fail "the failed $operation changed something"
        answer "$title" Return   # the notice of what was not done
        : > "$WORK/opened.txt"
        focus "$MAIN_WINDOW"
    done
    grep -q "filemanager-exec_log.txt" "$WORK/stderr" || fail "nobody's commands did not get a log of their own"
    quit_from_menu
    expect_exit 0
    passed "a copy and a move into a folder the user may not write"
fi

# --- A full destination -------------------------------------------------------------------------
full=$WORK/fulltest/full
big=$WORK/fulltest/big
mkdir -p "$full" "$big"
if ! mount -t tmpfs -o size=256k tmpfs "$full" 2>/dev/null; then
    echo "SKIP: a small tmpfs cannot be mounted here (needs root): no full-destination case"
else
    trap 'umount "$full" 2>/dev/null || true; cleanup' EXIT
    head -c 1000000 /dev/zero > "$big/copied.bin"
    head -c 1000000 /dev/zero > "$big/moved.bin"
    : > "$WORK/opened.txt"
    start_app "$big"
    keys Down F1 Down Right Down Down Return   # Manage > Copy on copied.bin
    keys Return Down Down Return F1 Down Return  # up (big, full), into full, Copy here
    answer Copy F1
    answer "Not enough space" F1   # go on anyway: the utility says why it fails
    wait_for '[ -n "$(opened)" ]' || fail "the copy that does not fit opened no log"
    grep -q "No space left" "$(opened)" || fail "the log of the copy does not say why"
    answer Copy Return   # what was not copied: nothing of it is left there
    [ ! -e "$full/copied.bin" ] || fail "the copy that does not fit left a piece under its name"
    : > "$WORK/opened.txt"
    focus "$MAIN_WINDOW"
    keys F2 Down Return Down Down F1 Down Right Down Down Down Return   # Manage > Move on moved.bin
    keys Return Down Down Return F1 Down Return
    answer Move F1
    answer "Not enough space" F1
    wait_for '[ -n "$(opened)" ]' || fail "the move that does not fit opened no log"
    [ "$(stat -c %s "$big/moved.bin")" = 1000000 ] && [ "$(stat -c %s "$big/copied.bin")" = 1000000 ] \
        || fail "a move that does not fit did not leave its source whole"
    answer Move Return
    focus "$MAIN_WINDOW"
    quit_from_menu
    expect_exit 0
    umount "$full"
    passed "a copy and a move that do not fit"
fi

# --- No catalogue, no language --------------------------------------------------------------------
mkdir -p "$WORK/bare"
cp "$APP" "$WORK/bare/filemanager"
(cd "$WORK" && exec "$WORK/bare/filemanager" "$WORK/bare" >"$WORK/stdout" 2>"$WORK/stderr") &
APP_PID=$!
MAIN_WINDOW=$(find_window BR_FILEMANAGER) || fail "without a catalogue the window is not titled by its key"
grep -qxF "vandr --debug--: error get lngfile '$WORK/bare/filemanager_en-us.lng'" "$WORK/stderr" \
    || fail "the missing catalogue was not reported"
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0
passed "a missing catalogue"

config=/ezxlocal/download/appwrite/setup/ezx_system.cfg
# In a private configuration folder (tests/support/isolated.sh), or where there is none at all.
if [ -e "$config" ] || { [ -e /ezxlocal ] && [ -z "${FM_ISOLATED:-}" ]; }; then
    echo "SKIP: $config is the platform's own here; no configuration case"
else
    trap 'rm -rf /ezxlocal/download; umount "$full" 2>/dev/null || true; cleanup' EXIT
    mkdir -p "$(dirname "$config")"
    printf 'Language = de-de\nLanguageType=de-de\n' > "$config"
    start_app "$WORK/bare"
    rm -rf /ezxlocal/download
    grep -qxF "vandr --debug--: read lngfile '${APP}_en-us.lng'" "$WORK/stderr" \
        || fail "a configuration without a LanguageType line did not give en-us"
    quit_from_menu
    expect_exit 0
    passed "a configuration without a language"
fi
echo "PASS: $cases hostile-input cases"
