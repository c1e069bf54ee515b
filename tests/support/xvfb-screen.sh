#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a window test on a virtual X screen of a phone's size and density:
#   xvfb-screen.sh 720x1440 270 program [arguments]
# Xvfb's RandR output has no size in millimetres, and Qt then takes 96 dots an inch: without
# RandR, Qt reads the screen's size, which -dpi sets.
size=$1 dpi=$2
shift 2
display=$(mktemp) || exit 1
Xvfb -displayfd 3 -noreset -screen 0 "${size}x24" -dpi "$dpi" -nolisten tcp 3>"$display" &
xvfb=$!
i=0
while [ ! -s "$display" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i + 1)); done
[ -s "$display" ] || { echo "xvfb-screen: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(cat "$display") QT_QPA_PLATFORM=xcb QT_XCB_NO_XRANDR=1 "$@"
status=$?
kill $xvfb
rm -f "$display"
exit $status
