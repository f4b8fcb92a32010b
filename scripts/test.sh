#!/usr/bin/env bash
# Builds Corvina with warnings as errors and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: address and undefined-behaviour sanitizers)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --e2e

build="${BUILD_DIR:-$root/build}"
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [[ "${1:-}" == "--sanitize" ]]; then
  # clang, so this pass also proves the clang build and makes the libFuzzer targets
  # (scripts/fuzz-smoke.sh runs them from this build directory).
  build="${BUILD_DIR:-$root/build-asan}"
  export CC=clang CXX=clang++
  flags+=(-DCORVINA_SANITIZE=ON -DCORVINA_FUZZ=ON -DCORVINA_BENCH=OFF)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc)
cmake -S "$root" -B "$build" "${flags[@]}" >/dev/null
cmake --build "$build" -j"$jobs"
ctest --test-dir "$build" --output-on-failure -j"$jobs"
