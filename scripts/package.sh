#!/usr/bin/env bash
# Builds the Debian package: a Release build with Debian's compiler and hardening flags, the
# programs in /usr/games as the games section asks, `cpack -G DEB`, then lintian, which must
# report no error. The package is left in the build directory (BUILD_DIR, default build-deb).
# Usage: scripts/package.sh [CMAKE_OPTION...]   e.g. -DCORVINA_MAINTAINER="Name <address>"
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --package

build="${BUILD_DIR:-$root/build-deb}"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake takes the compiler flags from the environment when the directory is first configured.
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_BINDIR=games \
    -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/corvina_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/corvina_*.deb)
lintian --fail-on error "$deb"
echo "$deb"
