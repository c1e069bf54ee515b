# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by run.sh and test.sh: installs the Debian packages that are missing, and only those,
# so that a machine that has everything starts at once.

BUILD_PACKAGES="cmake g++ ninja-build qt6-base-dev libgl-dev"
TEST_PACKAGES="xvfb xauth xdotool fonts-dejavu-core xdg-utils imagemagick qt6-qpa-plugins util-linux procps desktop-file-utils weston qt6-wayland appstream lintian dpkg-dev file dosfstools fusefat trash-cli libglib2.0-bin at-spi2-core python3-pyatspi dbus-daemon"
# The Debian package: dpkg-shlibdeps finds its dependencies, with file to tell executables.
PACKAGE_PACKAGES="dpkg-dev file"
# The arm64 package (scripts/package.sh --arch arm64): the cross compiler, the arm64 Qt and what
# its build needs beside this machine's own Qt (whose moc and rcc the build runs), and the
# emulator its tests run under.
ARM64_PACKAGES="cmake ninja-build crossbuild-essential-arm64 qt6-base-dev:arm64 libgl-dev:arm64
    qt6-base-dev:$(dpkg --print-architecture) qemu-user-static lintian appstream"
# The fuzz targets (libFuzzer): clang and its runtime libraries.
FUZZ_PACKAGES="clang libclang-rt-14-dev"

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing ${missing[*]}" >&2
    $sudo apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
}

# Configures once, then builds what changed.
build_project() {
    local dir=${1:-build}
    shift || true
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
    fi
    cmake --build "$dir" -j "$(nproc)" >&2
}
