#!/usr/bin/env bash
# Builds the game for the browser into build-web/: index.html, corvina.js and .wasm (the game),
# corvina-replay.* (the page's replay mode), the face both draw with, cut down to what they draw
# (corvina-face.ttf, its licence in OFL.txt), favicon.png, and compressed twins of them. Installs
# what it needs (scripts/install-deps.sh --web): the native build's packages (its asset
# generator runs at build time), Debian's emscripten with node-acorn, fontTools and brotli; and
# builds FreeType, HarfBuzz, zlib and libpng for WebAssembly from Debian's sources (cached in
# build-web/work/libs). Then: scripts/web-serve.sh.
# Usage: scripts/web-build.sh [OUT]   (OUT defaults to build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-web}")
work="$out/work"

scripts/install-deps.sh --test --web
source scripts/web-env.sh

echo "== FreeType, HarfBuzz, zlib and libpng for WebAssembly"
scripts/web-libs.sh "$work/libs"

echo "== The asset generator, for this machine"
cmake -S . -B "$work/host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF >/dev/null
cmake --build "$work/host" --target corvina-mkassets -j2 >/dev/null

echo "== The page"
# Sound on: a page plays its footsteps once the player has clicked or pressed a key.
emcmake cmake -S . -B "$work/wasm" -DCMAKE_BUILD_TYPE=Release -DCORVINA_TESTS=OFF -DCORVINA_BENCH=OFF \
  -DCORVINA_SOUNDON=ON -DCORVINA_WEB_LIBS="$work/libs" -DCORVINA_MKASSETS="$work/host/tools/corvina-mkassets" \
  -DCORVINA_WEB_OUT="$out" >/dev/null
cmake --build "$work/wasm" -j2 --target corvina-web corvina-replay

scripts/web-compress.sh "$out"
page=(index.html Touch.js corvina.js corvina.wasm corvina-face.ttf favicon.png)
bytes=0 wire=0
for f in "${page[@]}"; do
  bytes=$((bytes + $(stat -c %s "$out/$f")))
  twin="$out/$f"
  for coding in br gz; do [[ -f "$out/$f.$coding" ]] && { twin="$out/$f.$coding"; break; }; done
  wire=$((wire + $(stat -c %s "$twin")))
done
echo "Page written to $out: $((bytes / 1024)) KiB, $((wire / 1024)) KiB over the wire as scripts/web-serve.sh serves it"
