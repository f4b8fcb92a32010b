#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/*.cpp) with clang, seeds each from the generated game data,
# the golden scripts and the kept regression inputs, and runs each a fixed number of times.
# Fails on the first crash, sanitizer report or hang; the input that did it is kept under the
# build directory (fuzz-artifacts/) and its path printed.
#
#   scripts/fuzz-smoke.sh [RUNS]      RUNS per fast target, default 2000; the targets that play
#                                     game frames or decode whole sheets run a share of it
#
# Environment: FUZZ_BUILD_DIR (default build-fuzz-smoke beside this script's repository),
# FUZZ_JOBS (build jobs, default 2), FUZZ_MAX_SECONDS (cap per target, default 60; 0: none),
# FUZZ_ONLY (one target's name: only that one runs, RUNS times in full). A long campaign:
#   FUZZ_ONLY=MapLoadFuzz FUZZ_MAX_SECONDS=0 scripts/fuzz-smoke.sh 10000000
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-2000}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz-smoke}
jobs=${FUZZ_JOBS:-2}
max_seconds=${FUZZ_MAX_SECONDS:-60}
only=${FUZZ_ONLY:-}
# Targets that write a scratch file every run spend most of it in the file system: a memory
# file system, where there is one, makes them several times faster.
if [[ -z ${TMPDIR:-} && -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
case $runs in '' | *[!0-9]*) echo "usage: $0 [RUNS]" >&2; exit 2 ;; esac

names=()
for src in "$root"/fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  [[ -z $only || $name == "$only" ]] && names+=("$name")
done
if ((${#names[@]} == 0)); then
  echo "fuzz-smoke: no fuzz target named '$only'" >&2
  exit 2
fi
targets=("${names[@]/#/fuzz_}")

# A build directory already configured for fuzzing (an earlier run's) is reused as it is;
# otherwise a fuzz-only clang build is made: the sanitizer pass of scripts/test.sh is built
# without the fuzzer's instrumentation.
if ! grep -qs '^CORVINA_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCORVINA_FUZZ=ON -DCORVINA_TESTS=OFF \
    -DCORVINA_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]}" >/dev/null

data=$build/res/data
for f in Lumo1.BMP Lumo2.BMP MAP.DAT Walk.Wav; do
  [[ -f $data/$f ]] || { echo "fuzz-smoke: generated $data/$f missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"

# Writes seed file $1 from a two-byte prefix given in octal escapes ($2) and a byte range of a
# file ($3, from byte $4, $5 bytes).
seed_slice() {
  { printf "$2"; dd if="$3" iflag=skip_bytes,count_bytes skip="$4" count="$5" bs=4096 status=none; } >"$1"
}

# Seeds for one target into directory $2.
seed() {
  local name=$1 dir=$2
  mkdir -p "$dir"
  case $name in
    MapFuzz)
      cp "$data/MAP.DAT" "$dir/map"
      head -c 25000 "$data/MAP.DAT" >"$dir/map-half"
      ;;
    MapLoadFuzz)
      seed_slice "$dir/whole" '\000\000' "$data/MAP.DAT" 0 50000
      seed_slice "$dir/head" '\000\000' "$data/MAP.DAT" 0 2000
      # The rows where the persons start (60..63), laid over row 60 of the shipped map.
      seed_slice "$dir/persons" '\001\074' "$data/MAP.DAT" 30000 2000
      seed_slice "$dir/persons-search" '\003\074' "$data/MAP.DAT" 30000 2000
      # The same through the resource and file paths: a whole map, and a file too short.
      seed_slice "$dir/persons-files" '\005\074' "$data/MAP.DAT" 30000 2000
      seed_slice "$dir/head-files" '\004\000' "$data/MAP.DAT" 0 2000
      ;;
    BitmapFuzz)
      cp "$data/Lumo1.BMP" "$data/Lumo2.BMP" "$dir/"
      tail -c +15 "$data/Lumo1.BMP" >"$dir/lumo1-resource"
      python3 "$root/scripts/bmp-seeds.py" "$dir"
      ;;
    WaveFuzz)
      cp "$data/Walk.Wav" "$dir/walk"
      ;;
    ScriptFuzz)
      cp "$root"/tests/golden/*.txt "$dir/"
      ;;
    *)
      cp "$data"/* "$dir/"
      ;;
  esac
  if [[ -d $root/tests/regressions/$name ]]; then
    cp "$root/tests/regressions/$name"/* "$dir/" 2>/dev/null || true
  fi
}

# Longest input per target: the map parser checks what the input wrote, so a short limit keeps
# its runs cheap; the others take the size of their largest seed.
max_len() {
  case $1 in
    MapLoadFuzz) echo "-max_len=4096" ;;
    *) echo "" ;;
  esac
}

# Runs for one target: MapFuzz plays game frames (about 0.1 s a run under the sanitizers) and
# BitmapFuzz decodes 640 x 480 sheets, so they get a share of RUNS to stay well under a minute.
runs_for() {
  local n=$runs
  if [[ -z $only ]]; then
    case $1 in
      MapFuzz) n=$((runs / 20)) ;;
      BitmapFuzz) n=$((runs / 4)) ;;
    esac
  fi
  echo $((n > 0 ? n : 1))
}

status=0
for name in "${names[@]}"; do
  corpus=$work/$name
  seed "$name" "$corpus"
  log=$work/$name.log
  start=$SECONDS
  # shellcheck disable=SC2046
  if "$build/fuzz/fuzz_$name" -runs="$(runs_for "$name")" -max_total_time="$max_seconds" -timeout=20 \
       -rss_limit_mb=2048 -artifact_prefix="$artifacts/$name-" $(max_len "$name") \
       "$corpus" >"$log" 2>&1; then
    done_line=$(grep -E '^Done [0-9]+ runs' "$log" | tail -1 || true)
    echo "fuzz_$name: ok, ${done_line:-no summary} ($((SECONDS - start)) s)"
  else
    echo "fuzz_$name: FAILED ($((SECONDS - start)) s); last lines of its log:" >&2
    tail -n 40 "$log" >&2
    ls -1 "$artifacts/$name-"* 2>/dev/null | sed 's/^/  kept input: /' >&2 || true
    status=1
  fi
done
exit $status
