#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...]
# With ccache on the PATH, compilations go through it; its cache lives outside the checkout
# (~/.cache/ccache) and paths are taken relative to the checkout, so a fresh clone in another
# folder (CI) reuses what an earlier build compiled.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja "${launcher[@]}" "$@"
else
  cmake -S . -B "$build" "${launcher[@]}" "$@" >/dev/null
fi
ninja -C "$build"
