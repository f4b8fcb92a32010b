#!/usr/bin/env bash
# Builds Corvina and starts it in a window (pass --fullscreen for the shipped full-screen mode;
# any other switches of the program may follow, see docs/command-line.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --run
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target corvina
exec "$build/app/corvina" --windowed "$@"
