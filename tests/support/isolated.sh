#!/bin/sh
# Runs one test program in a mount namespace of its own where the tests run as root: a private
# /tmp (the command log "/tmp/exec_log.txt", the test folders) and a private platform
# configuration folder (the language setting), so that another copy of the program on this
# machine neither disturbs the suite nor is disturbed by it. Elsewhere it runs the program as is.
if [ "$(id -u)" = 0 ] && [ -z "${FM_ISOLATED:-}" ] && command -v unshare >/dev/null \
        && unshare --mount --propagation private true 2>/dev/null; then
    # The configuration's mount point; empty, it sets no language.
    [ -d /ezxlocal ] || mkdir -p /ezxlocal 2>/dev/null || true
    exec unshare --mount --propagation private env FM_ISOLATED=1 sh -c '
        mount -t tmpfs -o mode=1777 fm-private-tmp /tmp || exit 1
        if [ -d /ezxlocal ]; then mount -t tmpfs fm-private-config /ezxlocal || exit 1; fi
        exec "$@"' isolated "$@"
fi
exec "$@"
