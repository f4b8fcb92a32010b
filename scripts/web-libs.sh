#!/usr/bin/env bash
# Builds the text libraries of the web build, FreeType and HarfBuzz, for WebAssembly from
# Debian's own source packages, at the very versions the native build links, so the page draws
# text exactly as the desktop does. Fetched through a private apt configuration (the system's
# own archives, with deb-src added); installed into PREFIX, which caches them: a second run
# with the same versions does nothing.
# Usage: scripts/web-libs.sh PREFIX
set -euo pipefail
prefix=$(realpath -m "${1:?usage: web-libs.sh PREFIX}")
work="$prefix/src"
source "$(dirname "$0")/web-env.sh"

# The versions the native build uses: whatever libfreetype6 and libharfbuzz0b are installed.
version_of() { dpkg-query -W -f='${source:Version}' "$1"; }
ft_version=$(version_of libfreetype6)
hb_version=$(version_of libharfbuzz0b)
stamp="$prefix/versions"
if [[ -f "$stamp" && "$(cat "$stamp")" == "freetype=$ft_version harfbuzz=$hb_version" ]]; then
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
(cd "$work" && apt-get "${apt_private[@]}" source -qq "freetype=$ft_version" "harfbuzz=$hb_version" >/dev/null)

# FreeType: its CMake build, without the optional libraries (a TrueType face needs none of them).
ft_src=$(find "$work" -maxdepth 1 -type d -name 'freetype-*' | head -n1)
emcmake cmake -S "$ft_src" -B "$work/freetype-build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
  -DBUILD_SHARED_LIBS=OFF >/dev/null
cmake --build "$work/freetype-build" -j2 >/dev/null
cmake --install "$work/freetype-build" >/dev/null

# HarfBuzz: its single-file build with the FreeType functions.
hb_src=$(find "$work" -maxdepth 1 -type d -name 'harfbuzz-*' | head -n1)
mkdir -p "$prefix/include/harfbuzz" "$prefix/lib"
em++ -std=c++11 -O2 -DNDEBUG -DHAVE_FREETYPE=1 -fno-exceptions -fno-rtti -I"$prefix/include/freetype2" \
  -c "$hb_src/src/harfbuzz.cc" -o "$work/harfbuzz.o"
emar rcs "$prefix/lib/libharfbuzz.a" "$work/harfbuzz.o"
cp "$hb_src"/src/hb*.h "$prefix/include/harfbuzz/"

rm -rf "$work"
echo "freetype=$ft_version harfbuzz=$hb_version" >"$stamp"
