#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds into build/ and starts the file manager:
#   ./run.sh [start-folder [name-filter]] [Qt options such as -platform linuxfb]
# Without a display it serves the window over VNC on the loopback address.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/packages.sh

install_missing $BUILD_PACKAGES xauth fonts-dejavu-core xdg-utils
build_project build

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [[ " $* " == *" -platform "* ]] \
        || [ -n "${QT_QPA_PLATFORM:-}" ]; then
    [ -z "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ] || install_missing qt6-wayland
    exec build/filemanager "$@"
fi

# No display: a virtual X server, shared by x11vnc on the loopback address only. (Qt's own vnc
# platform listens on every address, so it is not used here.)
install_missing xvfb x11vnc
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
display_file=$(mktemp)
Xvfb -displayfd 5 -noreset -screen 0 480x720x24 -nolisten tcp 5>"$display_file" &
xvfb=$!
trap 'kill $xvfb ${vnc:-} 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$display_file")
port=5900
x11vnc -display "$DISPLAY" -localhost -forever -shared -nopw -quiet -rfbport "$port" \
    >/dev/null 2>&1 &
vnc=$!
echo "No display found: the file manager is served over VNC at 127.0.0.1:$port"
echo "Connect with a VNC viewer on this machine (e.g. 'vncviewer 127.0.0.1::$port'), or"
echo "through an SSH tunnel: ssh -L $port:127.0.0.1:$port this-host. Quit the program to stop."
build/filemanager "$@"
