#!/usr/bin/env bash
# Configures and builds one build tree. Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja "$@"
else
  cmake -S . -B "$build" "$@" >/dev/null
fi
ninja -C "$build"
