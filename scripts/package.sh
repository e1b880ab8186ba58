#!/usr/bin/env bash
# Makes the Debian packages from a release build in build-release/ (the tree the main job
# builds): vorlandite (programs, Flash runtime, manual pages, documentation; dependencies computed
# from the binaries) and vorlandite-dbgsym (the split debug information). Prints their paths,
# the main package first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --for package
bash scripts/build-release.sh

rm -f build-release/vorlandite_*.deb build-release/vorlandite-dbgsym_*.deb
(cd build-release && cpack -G DEB >cpack.log 2>&1) || { cat build-release/cpack.log; exit 1; }
shopt -s nullglob
packages=(build-release/vorlandite_*.deb build-release/vorlandite-dbgsym_*.deb)
if [ ${#packages[@]} -eq 0 ]; then
  cat build-release/cpack.log
  echo "package: no package was made" >&2
  exit 1
fi
for deb in "${packages[@]}"; do
  echo "$(pwd)/$deb"
done
