#!/usr/bin/env bash
# Builds the game for the browser into build-web/: index.html, corvina.js, .wasm and .data (the
# game), and corvina-replay.* (the page's replay mode). Installs what it needs: the native
# build's packages (its asset generator runs at build time), Debian's emscripten with
# node-acorn, and FreeType, HarfBuzz, zlib and libpng for WebAssembly built from Debian's
# sources (cached in build-web/work/libs). Then: scripts/web-serve.sh.
# Usage: scripts/web-build.sh [OUT]   (OUT defaults to build-web)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-web}")
work="$out/work"

scripts/install-deps.sh
web_packages=(emscripten node-acorn dpkg-dev)
installed=$(dpkg-query -W -f='${Status}\n' "${web_packages[@]}" 2>/dev/null | grep -c "install ok installed" || true)
if ((installed < ${#web_packages[@]})); then
  echo "Installing: ${web_packages[*]}"
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${web_packages[@]}" \
    >/dev/null
fi
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

page=("$out/index.html" "$out/corvina.js" "$out/corvina.wasm" "$out/corvina.data")
bytes=$(cat "${page[@]}" | wc -c)
gzipped=$(cat "${page[@]}" | gzip -9 | wc -c)
echo "Page written to $out: $((bytes / 1024)) KiB to download ($((gzipped / 1024)) KiB compressed)"
