#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program on Wayland, as on a Linux phone: under a headless Weston it starts with
# -platform wayland in a folder, its window is drawn (a screenshot through Weston's own
# screenshooter shows the list with its highlighted row), and it ends cleanly on SIGTERM.
. "$(dirname "$0")/lib.sh"

if ! command -v weston >/dev/null || ! command -v weston-screenshooter >/dev/null \
        || [ -z "$(find /usr/lib -name 'libqwayland-generic.so' 2>/dev/null | head -n 1)" ]; then
    echo "SKIP: weston or Qt's Wayland platform is missing"
    exit 0
fi
export XDG_RUNTIME_DIR=$WORK/runtime WAYLAND_DISPLAY=wayland-fm-test
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY
# Qt's Wayland plugin leaves libwayland's proxies to the process's end; the other tests check ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
# --debug lets weston-screenshooter take the screen; headless, only pixman can draw it.
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --use-pixman --debug \
    --width=480 --height=720 --idle-time=0 >"$WORK/weston.log" 2>&1 &
XVFB_PID=$! # the display server that lib.sh's cleanup ends
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break; sleep 0.05; done
if [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; then
    echo "SKIP: a headless Weston cannot start here: $(tail -n 3 "$WORK/weston.log")"
    exit 0
fi

home=$WORK/home
mkdir -p "$home/Music" "$home/Photos"
: > "$home/notes.txt"
(cd "$WORK" && exec "$APP" -platform wayland "$home" >"$WORK/stdout" 2>"$WORK/stderr") &
APP_PID=$!
# How many pixels of the screenshot have exactly this colour.
pixels_of() {
    convert "$shot" -fill black +opaque "$1" -fill white -opaque "$1" \
        -format "%[fx:round(mean*w*h)]" info:
}

# Drawn: the highlight of the list's first row, #2f6fd0, covers a row's width and height.
shot=
for _ in $(seq 40); do
    sleep 0.25
    rm -f "$WORK"/wayland-screenshot-*.png
    (cd "$WORK" && weston-screenshooter >/dev/null 2>&1) || continue
    shot=$(ls "$WORK"/wayland-screenshot-*.png 2>/dev/null | head -n 1)
    [ -n "$shot" ] || continue
    highlight=$(pixels_of "#2f6fd0")
    [ "$highlight" -gt 4000 ] && break
done
[ -n "$shot" ] || fail "no screenshot could be taken: $(tail -n 3 "$WORK/weston.log")"
cp "$shot" "$ARTIFACTS/wayland.png"
[ "$highlight" -gt 4000 ] || fail "the window's list was not drawn ($highlight highlight pixels)"
white=$(pixels_of white)
[ "$white" -gt 20000 ] || fail "the list's rows were not drawn ($white white pixels)"
grep -q "read lngfile" "$WORK/stderr" || fail "the catalogue was not read"

kill -TERM "$APP_PID"
expect_exit 0
echo "PASS"
