#!/usr/bin/env bash
# Serves the page that scripts/web-build.sh wrote on 127.0.0.1 and prints its address.
# Usage: scripts/web-serve.sh [DIR] [PORT]   (DIR defaults to build-web, PORT to 8021)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(realpath -m "${1:-build-web}")
port=${2:-8021}
if [[ ! -f "$dir/index.html" ]]; then
  echo "web-serve: no page in $dir: run scripts/web-build.sh first" >&2
  exit 1
fi
echo "Corvina is served at http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$dir"
