#!/usr/bin/env bash
# Builds the release tree, build-release/: the engine, the CLI and the Flash plugin, without
# tests, benchmarks or fuzzers; the tree the main job runs and the package is made from.
# RelWithDebInfo: the debug information is split off into bin/*.debug, so the engine every
# screensaver carries stays small. Each library's sources are compiled merged, a few dozen to a
# translation unit (CMake's unity build): most of a file's compile time goes on the Qt and
# standard headers it shares with its neighbours, so this build takes about half the compiler
# time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANDITE_TESTS=OFF -DVORLANDITE_BENCH=OFF \
  -DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=16
