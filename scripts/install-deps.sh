#!/usr/bin/env bash
# Installs the Debian 12 packages Vorlandite needs. Only what is missing is installed, so a second
# run costs a few dpkg queries.
#   install-deps.sh --for demo      building and running the two programs and the Flash plugin
#   install-deps.sh --for package   that, and what scripts/package.sh needs to make the .deb
#   install-deps.sh --for test      that, and what the tests, benchmarks and fuzzers need
#   install-deps.sh                 everything (the same as --for test)
set -euo pipefail

purpose=test
case "${1:-}" in
  "") ;;
  --for) purpose=${2:-} ;;
  *) echo "usage: install-deps.sh [--for demo|package|test]" >&2; exit 2 ;;
esac

# Build and run: compilers and the libraries the engine and the CLI link, the GStreamer plugins
# of the README's format table, a font for captions, xdpyinfo (the demo asks whether a display is
# there) and Qt WebEngine for the Flash plugin.
demo=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-alsa timgm6mb-soundfont
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  nlohmann-json3-dev libpam0g-dev libx11-dev libxss-dev
  x11-utils fonts-dejavu-core
  qt6-webengine-dev
)
# The package: dpkg-shlibdeps (dpkg-dev) and file, which CPack uses to find the binaries.
package=(dpkg-dev file)
# Tests, benchmarks and fuzzers: GoogleTest, Google Benchmark, clang's libFuzzer and LLVM's linker
# (the test programs link several times faster), private X servers driven through XTEST and
# RandR, the xscreensaver daemon, a private D-Bus.
test=(
  clang libclang-rt-14-dev lld
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-xserver-utils libxtst-dev libxrandr-dev xscreensaver
  dbus-daemon
)

case "$purpose" in
  demo) packages=("${demo[@]}") ;;
  package) packages=("${demo[@]}" "${package[@]}") ;;
  test) packages=("${demo[@]}" "${package[@]}" "${test[@]}") ;;
  *) echo "install-deps: unknown purpose '$purpose' (demo, package or test)" >&2; exit 2 ;;
esac
# The Flash runtime's player comes from the npm registry; npm itself from Debian when absent.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages for $purpose present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
