#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's screenshots again: starts the real program under a virtual X server, drives
# it with keys and writes docs/screenshots/*.png. Run after ./test.sh or ./run.sh has built it.
set -euo pipefail
cd "$(dirname "$0")/.."
# As root, in a mount namespace of its own with a home of a user's own, so that the path line
# shows what it would on a phone rather than a temporary folder.
if [ "$(id -u)" = 0 ] && [ -z "${FM_SCREENSHOT_HOME:-}" ] && unshare --mount true 2>/dev/null; then
    exec unshare --mount --propagation private env FM_SCREENSHOT_HOME=1 "$0" "$@"
fi
out=$PWD/docs/screenshots
export BUILD_DIR=${BUILD_DIR:-$PWD/build}
. tests/e2e/lib.sh
mkdir -p "$out"

# The window and what opens over it, as they are on the screen.
shot() {
    sleep 0.4
    local geometry
    geometry=$(xdotool getwindowgeometry "$MAIN_WINDOW" | awk '
        /Position/ { split($2, p, ","); x = p[1]; y = p[2] }
        /Geometry/ { split($2, s, "x"); print s[1] "x" s[2] "+" x "+" y }')
    import -window root -crop "$geometry" +repage "$out/$1.png"
}

start_xvfb
home=$WORK/home
if [ -n "${FM_SCREENSHOT_HOME:-}" ] && mount -t tmpfs fm-home /home; then
    home=/home/anna
fi
mkdir -p "$home/Documents" "$home/Music/Jazz" "$home/Photos/2026" "$home/Videos"
for name in holiday.mp4 notes.txt report.pdf song.ogg; do head -c 40000000 /dev/zero > "$home/$name"; done
# A cp that has copied half of its file when the screenshot is taken, so the popup shows progress.
cat > "$WORK/bin/cp" <<SCRIPT
#!/bin/sh
for last; do :; done
head -c 20000000 "\$2" > "\$last\$(basename "\$2")"
sleep 4
exec $(command -v cp) "\$@"
SCRIPT
chmod +x "$WORK/bin/cp"

# A phone's screen, 240x320, as the program started without -geometry on one would fill it.
start_app -geometry 240x320+0+0 "$home"
shot browse
keys F1
shot options-menu
keys Down Right
shot manage-menu
keys Escape Escape F1 Down Down Return       # Select several
keys Down Down Down Down Down space Down space Down Down
shot multi-select
keys F2 Down Down Down Down Down F1 Down Right Down Down Return  # Manage > Copy on holiday.mp4
shot pick-mode
keys Down Return F1 Down Return
focus_dialog Copy
shot question
keys F1
find_window "" >/dev/null || true
sleep 1.6
shot wait-popup
wait_for '[ -s "$home/Documents/holiday.mp4" ] && ! pgrep -f "sleep 4" >/dev/null' 15 || true
back_to_main
quit_from_menu
expect_exit 0

# A larger phone, 480x640: the same window, and the choice for entries that exist there.
: > "$home/Documents/notes.txt"
start_app -geometry 480x640+0+0 "$home"
keys Down Down Down Down Down Down F1 Down Right Down Down Return   # Manage > Copy on notes.txt
keys Down Return F1 Down Return                                     # into Documents, Copy here
focus_dialog Copy
keys F1
sleep 0.5
shot choice-480x640
focus_dialog Copy
keys Escape
focus "$MAIN_WINDOW"
quit_from_menu
expect_exit 0

# A phone of 720x1440 at 270 dots an inch: without a scale factor, the program sizes itself
# from the density; with QT_SCALE_FACTOR=2 (as Phosh runs it), Qt does.
# Xvfb's RandR output has no size in millimetres: Qt sees the -dpi only without RandR.
kill "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null || true
rm -f "$WORK/display"
Xvfb -displayfd 3 -noreset -screen 0 720x1440x24 -dpi 270 -nolisten tcp 3>"$WORK/display" \
    2>/dev/null &
XVFB_PID=$!
wait_for '[ -s "$WORK/display" ]' || fail "Xvfb did not start"
export DISPLAY=:$(cat "$WORK/display") QT_XCB_NO_XRANDR=1
for scale in 1 2; do
    suffix=720x1440
    [ "$scale" = 1 ] || suffix=720x1440-scale$scale
    QT_SCALE_FACTOR=$scale start_app "$home"
    shot "browse-$suffix"
    keys F1
    shot "options-menu-$suffix"
    keys Down Right
    shot "manage-menu-$suffix"
    keys Escape Escape
    keys Down Down Down Down Down Down F1 Down Right Down Down Return   # Manage > Copy on notes.txt
    keys Down Return F1 Down Return                                     # into Documents, Copy here
    focus_dialog Copy
    keys F1
    sleep 0.5
    shot "choice-$suffix"
    focus_dialog Copy
    keys Escape
    focus "$MAIN_WINDOW"
    quit_from_menu
    expect_exit 0
done
echo "screenshots in $out: $(cd "$out" && ls | tr '\n' ' ')"
