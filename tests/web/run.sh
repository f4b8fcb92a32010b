#!/usr/bin/env bash
# The browser tests: the page that scripts/web-build.sh wrote, in Debian's Chromium (and Firefox
# ESR, over WebDriver BiDi) driven by puppeteer-core (installed here, into the page's work
# folder). Screenshots go to build-web/work/test-shots.
# Usage: tests/web/run.sh [PAGE_DIR]   (PAGE_DIR defaults to build-web)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export CORVINA_WEB_DIR=$(realpath -m "${1:-$here/../../build-web}")
if [[ ! -f "$CORVINA_WEB_DIR/corvina.js" ]]; then
  echo "web tests: no page in $CORVINA_WEB_DIR: run scripts/web-build.sh first" >&2
  exit 1
fi
# Chromium and Firefox ESR.
"$here/../../scripts/install-deps.sh" --web
node_dir="$CORVINA_WEB_DIR/work/node"
if [[ ! -d "$node_dir/node_modules/puppeteer-core" ]]; then
  mkdir -p "$node_dir"
  cp "$here/package.json" "$node_dir/"
  npm install --prefix "$node_dir" --no-audit --no-fund --loglevel=error >/dev/null
fi
export CORVINA_NODE_MODULES="$node_dir/node_modules"
# One browser at a time: the real-time tests want the processor.
exec node --test --test-concurrency=1 "$here"/*.test.mjs
