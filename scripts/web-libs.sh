#!/usr/bin/env bash
# Builds the libraries of the web build for WebAssembly from Debian's own source packages:
# FreeType and HarfBuzz at the very versions the native build links, so the page draws text
# exactly as the desktop does, and zlib and libpng (the release's own: their output need only
# be valid PNG) for its PNG files. Fetched through a private apt configuration (the system's
# own archives, with deb-src added); installed into PREFIX, which caches them: a second run
# with the same versions does nothing.
# Usage: scripts/web-libs.sh PREFIX
set -euo pipefail
prefix=$(realpath -m "${1:?usage: web-libs.sh PREFIX}")
work="$prefix/src"
source "$(dirname "$0")/web-env.sh"

# The text libraries at the versions the native build uses: whatever is installed.
version_of() { dpkg-query -W -f='${source:Version}' "$1"; }
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
versions="freetype=$(version_of libfreetype6) harfbuzz=$(version_of libharfbuzz0b) zlib/$release libpng1.6/$release"
stamp="$prefix/versions"
if [[ -f "$stamp" && "$(cat "$stamp")" == "$versions" ]]; then
  exit 0
fi
rm -rf "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial" "$work/apt/sources.list.d"

# The system's archives as source archives: deb822 entries get Types deb-src, one-line
# entries a deb-src twin.
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [[ -f "$f" ]] || continue
  case "$f" in
    *.sources) sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$work/apt/sources.list.d/$(basename "$f")" ;;
    *) sed -nE 's/^deb (.*)/deb-src \1/p' "$f" >"$work/apt/sources.list.d/$(basename "$f")" ;;
  esac
done
apt_private=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
             -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache::Archives=$work/apt/archives"
             -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache=" -o "APT::Sandbox::User=root")
apt-get "${apt_private[@]}" update -qq
(cd "$work" && apt-get "${apt_private[@]}" source -qq $versions >/dev/null)
source_of() { find "$work" -maxdepth 1 -type d -name "$1-*" | head -n1; }

# A CMake project of Debian's sources, built static and installed into the prefix.
cmake_build() {
  local name=$1
  shift
  emcmake cmake -S "$(source_of "$name")" -B "$work/$name-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$work/$name-build" -j2 >/dev/null
  cmake --install "$work/$name-build" >/dev/null
}

# zlib by its own configure (Debian's tree lacks files its CMake build lists).
(cd "$(source_of zlib)" && emconfigure ./configure --static --prefix="$prefix" >/dev/null &&
  emmake make -j2 libz.a >/dev/null && emmake make install >/dev/null)
zlib_found=(-DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include")
# FreeType on that zlib (as Debian builds it), without the other optional libraries: a
# TrueType face needs none of them.
cmake_build freetype -DFT_REQUIRE_ZLIB=ON "${zlib_found[@]}" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
cmake_build libpng1.6 -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF \
  "${zlib_found[@]}"

# HarfBuzz: its single-file build with the FreeType functions.
hb_src=$(source_of harfbuzz)
mkdir -p "$prefix/include/harfbuzz" "$prefix/lib"
em++ -std=c++11 -O2 -DNDEBUG -DHAVE_FREETYPE=1 -fno-exceptions -fno-rtti -I"$prefix/include/freetype2" \
  -c "$hb_src/src/harfbuzz.cc" -o "$work/harfbuzz.o"
emar rcs "$prefix/lib/libharfbuzz.a" "$work/harfbuzz.o"
cp "$hb_src"/src/hb*.h "$prefix/include/harfbuzz/"

rm -rf "$work"
echo "$versions" >"$stamp"
