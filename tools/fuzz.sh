#!/usr/bin/env bash
# Fuzzes one target of fuzz/ (or each in turn) with clang's libFuzzer under AddressSanitizer
# and UBSan, then adds to fuzz/corpus/TARGET the fewest new inputs that reach code the corpus
# did not (edges, not hit counts), so the committed corpus stays a few dozen files.
#   tools/fuzz.sh [TARGET] [SECONDS]     TARGET: a name of fuzz/*.cpp, default all; 60 s each
# A finding stops the run; its input is left in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${2:-60}
if [ $# -ge 1 ] && [ -n "$1" ] && [ "$1" != all ]; then
  targets=("$1")
else
  targets=()
  for f in fuzz/*.cpp; do
    name=$(basename "$f" .cpp)
    [ "$name" = Replay ] || targets+=("$name")
  done
fi

if ! command -v clang++ >/dev/null; then
  echo "Installing clang"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends clang >/dev/null
fi

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLOGIREM_FUZZ=ON -DLOGIREM_SANITIZE=ON -DLOGIREM_BENCH=OFF >/dev/null
mkdir -p "$build/findings" "$build/logs"

for t in "${targets[@]}"; do
  [ -f "fuzz/$t.cpp" ] || { echo "no fuzz target $t" >&2; exit 2; }
  nice -n 19 cmake --build "$build" --target "fuzz_$t" >/dev/null
  program=$root/$build/fuzz/fuzz_$t
  corpus=$root/fuzz/corpus/$t
  mkdir -p "$corpus"
  found=$(mktemp -d)
  log=$build/logs/$t.log
  echo "fuzzing $t for $seconds s (log $log)"
  # New inputs go to the scratch folder; the committed corpus only seeds the run.
  if ! ASAN_OPTIONS=detect_leaks=0 nice -n 19 "$program" "$found" "$corpus" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$root/$build/findings/$t-" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "finding in $t: see $build/findings/" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 | sed "s/^/$t: /" || true
  grep -E 'stat::number_of_executed_units' "$log" | sed "s/^/$t: /" || true

  before=$(ls "$corpus" | wc -l)
  ASAN_OPTIONS=detect_leaks=0 nice -n 19 "$program" -set_cover_merge=1 -use_counters=0 \
    "$corpus" "$found" >"$build/logs/$t-merge.log" 2>&1
  rm -rf "$found"
  echo "$t: corpus $before -> $(ls "$corpus" | wc -l) files, $(du -sk "$corpus" | cut -f1) KiB"
done
