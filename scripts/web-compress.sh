#!/usr/bin/env bash
# Gives each text and program file of a built page a gzip twin (NAME.gz), and a brotli one
# (NAME.br) where the brotli program is installed (scripts/install-deps.sh --web installs it),
# for scripts/web-serve.py to send to browsers that accept them. A twin carries its file's time,
# to the nanosecond, and is made again only when the file is newer: the server takes no twin
# older than its file.
# Usage: scripts/web-compress.sh DIR
set -euo pipefail
dir=${1:?usage: web-compress.sh DIR}
for file in "$dir"/*.html "$dir"/*.js "$dir"/*.wasm "$dir"/*.ttf "$dir"/*.txt; do
  [[ -f "$file" ]] || continue
  if ! [[ -f "$file.gz" && ! "$file" -nt "$file.gz" ]]; then
    gzip -9 -n -k -f "$file" && touch -r "$file" "$file.gz"
  fi
  if command -v brotli >/dev/null && ! [[ -f "$file.br" && ! "$file" -nt "$file.br" ]]; then
    brotli -q 11 -k -f "$file" && touch -r "$file" "$file.br"
  fi
done
