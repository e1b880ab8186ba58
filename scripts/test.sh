#!/usr/bin/env bash
# The project's test command: installs what is missing, builds, and runs every test:
#   1. the unit tests (ctest) on an optimised build,
#   2. the release programs, built as the main job builds them,
#   3. the unit tests built with AddressSanitizer + UndefinedBehaviorSanitizer,
#   4. each libFuzzer target for a fixed number of runs from a fixed seed (FUZZ_RUNS, default
#      50000; FUZZ_RUNS=0 skips), so the same tree gives the same result on every machine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --for test

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# How long each stage took, for the notes.
stage_start=$SECONDS
stage_done() { echo "== $1 took $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }
# How many test cases passed in a tree (its executables' own summaries).
cases_passed() {
  grep -h '^\[  PASSED  \]' "$1/Testing/Temporary/LastTest.log" | awk -v tree="$1" '{n += $4} END {print "== " n " test cases passed in " tree}'
}

# Each test executable is one CTest test: every case runs, in one process per executable, so a
# run pays each executable's start-up once instead of once per case. Most tests wait (on Xvfb, the
# media pipelines, timers) rather than compute, so twice as many run as there are cores.
test_jobs=$((jobs * 2))

echo "== build and unit tests"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANDITE_TESTS_PER=executable
ctest --test-dir build -j "$test_jobs" --timeout 300
cases_passed build
stage_done "build and unit tests"

# The main job's and the package's build merges sources into few translation units, where two
# files' private helpers of the same name clash: built here so such a clash fails the tests.
echo "== release build (as the main job makes it)"
bash scripts/build-release.sh
stage_done "release build"

echo "== sanitizer build (ASan + UBSan) and unit tests"
# The sanitizer's start-up was most of this stage's time when every case had a process.
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVORLANDITE_SANITIZE=ON -DVORLANDITE_BENCH=OFF \
  -DVORLANDITE_TESTS_PER=executable
# The engine processes the end-to-end tests start inherit these too.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0" \
  ctest --test-dir build-asan -j "$test_jobs" --timeout 600
cases_passed build-asan
stage_done "sanitizer build and unit tests"

fuzz_runs=${FUZZ_RUNS:-50000}
if [ "$fuzz_runs" -gt 0 ]; then
  echo "== fuzzing (${fuzz_runs} runs per target)"
  bash scripts/fuzz.sh "$fuzz_runs" 120
  stage_done "fuzzing"
fi
echo "== all tests passed"
