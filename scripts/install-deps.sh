#!/usr/bin/env bash
# Installs the Debian 12 packages Corvina needs, by what is to be done:
#   scripts/install-deps.sh --run       build and run the game (scripts/run.sh)
#   scripts/install-deps.sh [--test]    also the tests, benchmarks, clang and the checkers of the
#                                       installed files (scripts/test.sh); the default
#   scripts/install-deps.sh --e2e       also the X server tools of the end-to-end tests
#   scripts/install-deps.sh --package   build the Debian package and check it (scripts/package.sh)
#   scripts/install-deps.sh --web       also the browser build (scripts/web-build.sh): emscripten,
#                                       fontTools to cut the page's face down, brotli to compress it,
#                                       and the browsers the page's tests drive (tests/web/run.sh)
# Several modes may be given together.
set -euo pipefail

# Building and running.
run_packages=(
  build-essential
  cmake
  pkg-config
  libsdl2-dev
  libsdl2-mixer-dev
  libfreetype-dev
  libharfbuzz-dev
  libfontconfig-dev
  libpng-dev
  fonts-nanum
)
# The tests and benchmarks, the clang builds (sanitizers, fuzzers), and the validators the
# install check runs on the desktop entry, the metadata and the manual pages.
test_packages=(
  clang
  libclang-rt-14-dev
  python3
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  fonts-dejavu-core
  python3-fonttools
  brotli
  desktop-file-utils
  appstream
  man-db
)
e2e_packages=(xvfb xdotool x11-apps x11-utils imagemagick openbox)
package_packages=(dpkg-dev lintian desktop-file-utils appstream man-db)
# Chromium over the DevTools protocol, Firefox ESR over WebDriver BiDi; headless Firefox draws
# WebGL through Mesa's software EGL (Chromium brings its own).
web_packages=(emscripten node-acorn dpkg-dev python3 python3-fonttools brotli chromium firefox-esr
  libegl-mesa0 libgl1-mesa-dri)

packages=("${run_packages[@]}")
(($# == 0)) && set -- --test
for mode in "$@"; do
  case $mode in
    --run) ;;
    --test) packages+=("${test_packages[@]}") ;;
    --e2e) packages+=("${test_packages[@]}" "${e2e_packages[@]}") ;;
    --package) packages+=("${package_packages[@]}") ;;
    --web) packages+=("${web_packages[@]}") ;;
    *) echo "usage: $0 [--run | --test | --e2e | --package | --web]..." >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
