#!/usr/bin/env bash
# Builds Corvina and starts it. Extra arguments go to the program (see README).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target corvina-headless
exec "$build/host/corvina-headless" --frames 60 --trace "$@"
