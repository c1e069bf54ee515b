# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end tests: a virtual X server, the real executable, keys from xdotool,
# and a recording document opener first on PATH.
set -euo pipefail

: "${BUILD_DIR:?BUILD_DIR must name the build folder}"
APP=$BUILD_DIR/filemanager
ARTIFACTS=$BUILD_DIR/e2e-artifacts
mkdir -p "$ARTIFACTS"
WORK=$(mktemp -d)
APP_PID=
XVFB_PID=

cleanup() {
    [ -z "$APP_PID" ] || kill "$APP_PID" 2>/dev/null || true
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "--- standard output"; cat "$WORK/stdout" 2>/dev/null || true
    echo "--- standard error"; cat "$WORK/stderr" 2>/dev/null || true
    screenshot "failure-$(basename "$0" .sh)" || true
    exit 1
}

# Waits up to $2 seconds (default 10) until the command in $1 succeeds.
wait_for() {
    local condition=$1 limit=${2:-10} i
    for ((i = 0; i < limit * 20; i++)); do
        eval "$condition" && return 0
        sleep 0.05
    done
    return 1
}

start_xvfb() {
    Xvfb -displayfd 3 -noreset -screen 0 480x720x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
    XVFB_PID=$!
    wait_for '[ -s "$WORK/display" ]' || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$WORK/display")
    export XDG_RUNTIME_DIR=$WORK/runtime
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    export XDG_STATE_HOME=$WORK/state
    export XDG_DATA_HOME=$WORK/data   # its home trash, on the test home's file system
    mkdir -p "$WORK/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened.txt"\n' "$WORK" > "$WORK/bin/xdg-open"
    chmod +x "$WORK/bin/xdg-open"
    export PATH=$WORK/bin:$PATH
}

# A home with a source folder holding the files named (each holding its own name) and an empty
# destination: $home, $src and $dest.
make_home() {
    home=$WORK/home
    src=$home/src
    dest=$home/dest
    mkdir -p "$src" "$dest"
    local name
    for name in "$@"; do echo "${name%.txt}" > "$src/$name"; done
}

# Starts the file manager with the given arguments and focuses its window.
start_app() {
    (cd "$WORK" && exec "$APP" "$@" >"$WORK/stdout" 2>"$WORK/stderr") &
    APP_PID=$!
    MAIN_WINDOW=$(find_window "File Manager") || fail "the main window did not appear"
    focus "$MAIN_WINDOW"
}

# Prints the id of the visible window with exactly this title, waiting up to 10 s for it.
# (xdotool's own --sync looks only every half second.)
find_window() {
    local title=$1 id i
    for ((i = 0; i < 200; i++)); do
        id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}

focus() {
    xdotool windowfocus --sync "$1"
}

# Once an operation has ended: its popups (the wait, the flush to the disk) are gone and the main
# window takes the keys again; a key sent sooner reaches the running command's stop guard.
back_to_main() {
    local alone='[ -z "$(xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$MAIN_WINDOW")" ]'
    wait_for "$alone" 20 || fail "a popup is still open after the operation"
    focus "$MAIN_WINDOW"
}

# Focuses the dialog with this title (dialogs get no focus without a window manager).
focus_dialog() {
    local id
    id=$(find_window "$1") || fail "no dialog titled '$1'"
    focus "$id"
}

# Answers the dialog with this title with a key (F1 yes or OK, F2 no).
answer() {
    focus_dialog "$1"
    keys "$2"
}

# Quit, from Browse's options menu: the entry before the last (Go to).
quit_from_menu() {
    keys F1 Up Up Return
}

keys() {
    xdotool key --delay 60 "$@"
    sleep 0.2
}

type_text() {
    xdotool type --delay 40 "$1"
}

window_gone() {
    ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

# Waits for the program to end and checks its exit status.
expect_exit() {
    local status=0
    wait_for '! kill -0 $APP_PID 2>/dev/null' 10 || fail "the program did not end"
    wait "$APP_PID" || status=$?
    APP_PID=
    [ "$status" -eq "${1:-0}" ] || fail "exit status $status, expected ${1:-0}"
}

still_running() {
    kill -0 "$APP_PID" 2>/dev/null
}

# Prints the y, in the main window, of the middle of list row $1 (0 is the parent row), measured
# on a screenshot: the current row (the parent row after a listing) is the first blue band below
# the title and the path, and rows are all as high as it.
row_y() {
    import -window "$MAIN_WINDOW" "$WORK/rows.png" 2>/dev/null
    convert "$WORK/rows.png" -crop 1x10000+$(($(window_width) - 10))+0 txt:- | awk -v row="$1" '
        NR == 1 { next }
        { split($1, at, "[,:]"); y = at[2]; split($2, rgb, "[(),]")
          blue = rgb[4] + 0 > rgb[2] + 60
          if (!seen && y > 30 && blue) { seen = 1; top = y }
          else if (seen && !blue && !bottom) { bottom = y } }
        END { if (!bottom) exit 1; h = bottom - top; print int(top + h * row + h / 2) }'
}

window_width() {
    xdotool getwindowgeometry "$MAIN_WINDOW" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p'
}

screenshot() {
    import -window root "$ARTIFACTS/$1.png" 2>/dev/null
}

opened() {
    cat "$WORK/opened.txt" 2>/dev/null || true
}

# Counts lines of standard output equal to $1.
stdout_lines() {
    grep -cxF -- "$1" "$WORK/stdout" || true
}
