# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for arm64 (the Linux phones) on a Debian machine of another architecture, with
# Debian's multiarch: the arm64 Qt and libraries installed beside the machine's own
# (qt6-base-dev:arm64), the cross compiler from crossbuild-essential-arm64, and Qt's programs
# that run during the build (moc, rcc) the machine's own.
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
# Finds Qt6 in /usr/lib/aarch64-linux-gnu/cmake, never the machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(QT_HOST_PATH /usr)
execute_process(COMMAND dpkg-architecture -qDEB_BUILD_MULTIARCH
                OUTPUT_VARIABLE FM_BUILD_MULTIARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${FM_BUILD_MULTIARCH}/cmake)
# The tests run under user-mode emulation; the arm64 loader and libraries are where multiarch
# put them, so no other root is needed.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
