#!/usr/bin/env bash
# Re-records the golden scenes' frame hashes (tests/golden/*.crc) and writes their frames as
# PNGs to build/golden/ so a person can look at them before committing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target corvina_tests_headless
mkdir -p "$build/golden"
CORVINA_SOURCE_DIR="$root" CORVINA_UPDATE_GOLDEN=1 CORVINA_GOLDEN_PNG_DIR="$build/golden" \
  "$build/tests/corvina_tests_headless" --gtest_filter='Scenes/GoldenScene.*'
echo "Hashes in $root/tests/golden, frames in $build/golden"
