#!/usr/bin/env bash
# Installs the Debian 12 packages Corvina needs to build, test and run.
# Usage: scripts/install-deps.sh [--e2e]   (--e2e adds the X server tools of the end-to-end test)
set -euo pipefail

packages=(build-essential cmake pkg-config clang libclang-rt-14-dev python3 libgtest-dev libgmock-dev libbenchmark-dev
          libsdl2-dev libsdl2-mixer-dev libfreetype-dev libharfbuzz-dev libfontconfig-dev libpng-dev fonts-nanum
          fonts-dejavu-core)
if [[ "${1:-}" == "--e2e" ]]; then
  packages+=(xvfb xdotool x11-apps x11-utils imagemagick openbox)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
