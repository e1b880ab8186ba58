#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on seeds the project generates itself.
# Usage: scripts/fuzz.sh [RUNS_PER_TARGET] [SECONDS_CAP]  (defaults 50000 and 120).
# A fixed seed and a fixed number of runs make a run repeatable: what passes here passes in CI.
# For a longer hunt: scripts/fuzz.sh 0 600 (0 runs = unbounded, stopped by the time cap).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-50000}
seconds=${2:-120}
build=build-fuzz

CC=clang CXX=clang++ bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANDITE_FUZZ=ON

corpus="$build/corpus"
mkdir -p "$corpus"
for maker in "$build"/fuzz/make_seeds_*; do
  [ -x "$maker" ] && "$maker" "$corpus"
done

# One target per core at a time: each libFuzzer run is single-threaded and its result depends
# only on its own seed and run count, so running them side by side changes nothing but the time.
run_target() {
  local target=$1 name
  name=$(basename "$target"); name=${name#fuzz_}
  mkdir -p "$corpus/$name" "$build/findings/$name"
  local run_limit=()
  [ "$runs" -gt 0 ] && run_limit=(-runs="$runs" -seed=1)
  if ! "$target" "$corpus/$name" "${run_limit[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix="$build/findings/$name/" -print_final_stats=0 >"$build/findings/$name.log" 2>&1; then
    echo "fuzz: $name FAILED; see $build/findings/$name.log"
    tail -n 40 "$build/findings/$name.log"
    return 1
  fi
  echo "fuzz: $name passed (runs ${runs}, at most ${seconds}s)"
}
export -f run_target
export corpus build runs seconds
# Leaks of system libraries' process-long caches are not findings (the same list as the
# sanitizer build's tests).
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"

# The item path runs until the time cap; started first, it ends with the others, not after them.
targets=()
for target in "$build"/fuzz/fuzz_itempath "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] && [[ ! " ${targets[*]} " =~ " $target " ]] && targets+=("$target")
done
status=0
printf '%s\0' "${targets[@]}" | xargs -0 -n 1 -P "$(nproc)" bash -c 'run_target "$1"' _ || status=1
exit $status
