#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test program in a mount namespace of its own: a private /tmp (the command log
# "/tmp/exec_log.txt", the test folders) and a private platform configuration folder (the
# language setting), so that another copy of the program on this machine neither disturbs the
# suite nor is disturbed by it. As root that is a plain mount namespace; for any other user, a
# user namespace where the user is root too, so that the tests that mount a file system of their
# own run for everyone. Where neither can be had, the program runs as is.
# A checkout, a build folder or a working folder under /tmp stays reachable: each is bound back
# into the private /tmp at its place, from a view of the real /tmp kept aside for the moment.
if [ -z "${FM_ISOLATED:-}" ] && command -v unshare >/dev/null; then
    if [ "$(id -u)" = 0 ] && unshare --mount --propagation private true 2>/dev/null; then
        user=
    elif unshare --user --map-root-user --mount --propagation private true 2>/dev/null; then
        user="--user --map-root-user"
    else
        echo "isolated: no mount namespace can be had here: the tests share this machine's /tmp" >&2
        exec "$@"
    fi
    # The configuration's mount point; empty, it sets no language.
    [ -d /ezxlocal ] || mkdir -p /ezxlocal 2>/dev/null || true
    # The folders directly in /tmp that hold this script, the program, the build or the working
    # folder, one a line.
    kept=$(for path in "$(cd "$(dirname "$0")" && pwd -P)" "$(pwd -P)" "$1" "${BUILD_DIR:-}"; do
        case $path in /tmp/?*) path=${path#/tmp/}; printf '%s\n' "${path%%/*}" ;; esac
    done | sort -u)
    aside=
    if [ -n "$kept" ]; then
        aside=$(mktemp -d /var/tmp/fm-isolated.XXXXXX 2>/dev/null \
                || mktemp -d /run/fm-isolated.XXXXXX) || exit 1
    fi
    # shellcheck disable=SC2086 # $user is two words or none
    exec unshare $user --mount --propagation private \
        env FM_ISOLATED=1 FM_KEPT="$kept" FM_ASIDE="$aside" sh -c '
        if [ -n "$FM_ASIDE" ]; then mount --rbind /tmp "$FM_ASIDE" || exit 1; fi
        mount -t tmpfs -o mode=1777 fm-private-tmp /tmp || exit 1
        IFS="
"
        for top in $FM_KEPT; do
            mkdir -p "/tmp/$top" && mount --rbind "$FM_ASIDE/$top" "/tmp/$top" || exit 1
        done
        unset IFS
        if [ -n "$FM_ASIDE" ]; then umount -l "$FM_ASIDE" && rmdir "$FM_ASIDE"; fi
        unset FM_KEPT FM_ASIDE
        if [ -d /ezxlocal ]; then mount -t tmpfs fm-private-config /ezxlocal || exit 1; fi
        exec "$@"' isolated "$@"
fi
exec "$@"
