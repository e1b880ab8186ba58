#!/usr/bin/env bash
# Installs the Debian 12 packages Vorlandite needs. Only what is missing is installed, so a second
# run costs a few dpkg queries.
#   install-deps.sh --for demo      building the two programs and the Flash plugin, and running the
#                                   demo (its content plays with the base and good GStreamer plugins)
#   install-deps.sh --for formats   that, and the decoders of every format in the README's table
#   install-deps.sh --for package   the demo's, and what scripts/package.sh needs to make the .deb
#   install-deps.sh --for test      all of the above, and what the tests, benchmarks and fuzzers need
#   install-deps.sh                 everything (the same as --for test)
set -euo pipefail

purpose=test
case "${1:-}" in
  "") ;;
  --for) purpose=${2:-} ;;
  *) echo "usage: install-deps.sh [--for demo|formats|package|test]" >&2; exit 2 ;;
esac

# Build and run: compilers and the libraries the engine and the CLI link, the GStreamer plugins
# the demo's content plays and is made with (WAV, Motion JPEG in AVI: base and good; sound output),
# a font for captions, xdpyinfo (the demo asks whether a display is there), Qt WebEngine for
# the Flash plugin and LLVM's linker (cmake/Linker.cmake: the release programs link in a fraction
# of the default linker's time).
demo=(
  build-essential cmake ninja-build pkg-config git ccache lld
  qt6-base-dev libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libtiff-dev libgif-dev
  nlohmann-json3-dev libpam0g-dev libx11-dev libxss-dev
  x11-utils fonts-dejavu-core
  qt6-webengine-dev
)
# The rest of the README's format table (WMA/WMV, MIDI, MPEG, DivX, ...): about 140 packages
# (90 MB) that the demo does not play, so a fresh machine's demo goes without them.
formats=(gstreamer1.0-libav gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly timgm6mb-soundfont)
# The package: dpkg-shlibdeps (dpkg-dev) and file, which CPack uses to find the binaries.
package=(dpkg-dev file)
# Tests, benchmarks and fuzzers: GoogleTest, Google Benchmark, clang's libFuzzer, private X
# servers driven through XTEST and RandR, the xscreensaver daemon, a private D-Bus.
test=(
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-xserver-utils libxtst-dev libxrandr-dev xscreensaver
  dbus-daemon
)

case "$purpose" in
  demo) packages=("${demo[@]}") ;;
  formats) packages=("${demo[@]}" "${formats[@]}") ;;
  package) packages=("${demo[@]}" "${package[@]}") ;;
  test) packages=("${demo[@]}" "${formats[@]}" "${package[@]}" "${test[@]}") ;;
  *) echo "install-deps: unknown purpose '$purpose' (demo, formats, package or test)" >&2; exit 2 ;;
esac

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
# unsafe-io: dpkg skips its fsync after every unpacked file, most of the unpacking time of the few
# hundred packages a fresh machine needs (the same trade Debian's own container images make: only
# a crash in the middle of the installation can leave a package to reinstall).
$SUDO apt-get install -y -q --no-install-recommends -o Dpkg::Options::=--force-unsafe-io "${missing[@]}"
