#!/usr/bin/env bash
# Builds Corvina with warnings as errors and runs every test. The normal pass is built as the
# Debian package is (Release, Debian's hardening flags), so a warning only that build raises
# fails here first, and the tests run the code that ships.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: built with clang under the address and
#                                        undefined-behaviour sanitizers, without benchmarks)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --e2e

build="${BUILD_DIR:-$root/build}"
# The test libraries are required here, not skipped when missing.
flags=(-DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCORVINA_TESTS=ON -DCORVINA_BENCH=ON)
if [[ "${1:-}" != "--sanitize" ]]; then
  # CMake takes these from the environment when the build folder is first configured.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
  export CFLAGS CXXFLAGS LDFLAGS
  flags+=(-DCMAKE_BUILD_TYPE=Release)
else
  # clang, so this pass also proves the clang build; the fuzzers have a build of their own
  # (scripts/fuzz-smoke.sh).
  build="${BUILD_DIR:-$root/build-asan}"
  export CC=clang CXX=clang++
  flags+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_SANITIZE=ON -DCORVINA_FUZZ=OFF -DCORVINA_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc)
cmake -S "$root" -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs"
