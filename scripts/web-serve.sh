#!/usr/bin/env bash
# Serves the page that scripts/web-build.sh wrote on 127.0.0.1 and prints its address. Its files'
# compressed twins are brought up to date first (scripts/web-compress.sh); the server sends the
# smallest the browser accepts, with cache validators (scripts/web-serve.py).
# Usage: scripts/web-serve.sh [DIR] [PORT]   (DIR defaults to build-web, PORT to 8021)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(realpath -m "${1:-build-web}")
port=${2:-8021}
if [[ ! -f "$dir/index.html" ]]; then
  echo "web-serve: no page in $dir: run scripts/web-build.sh first" >&2
  exit 1
fi
scripts/web-compress.sh "$dir"
echo "Corvina is served at http://127.0.0.1:$port/ (Ctrl+C stops)"
exec python3 scripts/web-serve.py "$dir" "$port"
