#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: tools/install-deps.sh [build|test|wine32|lmms32]
#   wine32: 32-bit Wine (wine32:i386, with the i386 architecture added), for
#   machines whose kernel executes 32-bit programs
#   lmms32: wine32, and Debian's i386 LMMS with its VST server unpacked into
#   BRISKO_LMMS_I386 (default /opt/brisko/lmms-i386) beside the i386
#   libraries it needs; installing lmms:i386 itself would remove lmms:amd64
set -euo pipefail
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
install_i386() {  # PACKAGE...  (names without the :i386)
  local missing=() p
  for p in "$@"; do installed "$p:i386" || missing+=("$p:i386"); done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

case "${1:-test}" in
  wine32)
    install_i386 wine32
    exit 0 ;;
  lmms32)
    # The libraries lmms:i386 and lmms-vst-server:i386 depend on (Debian 12).
    install_i386 wine32 libasound2 libfftw3-single3 libfltk1.3 libfluidsynth3 libgig10 libmp3lame0 libogg0 \
      libportaudio2 libpulse0 libqt5core5a libqt5gui5 libqt5widgets5 libqt5xml5 libqt5x11extras5 libsamplerate0 \
      libsdl1.2debian libsndfile1 libsndio7.0 libsoundio2 libstk-4.6.2 libvorbis0a libvorbisenc2 libvorbisfile3 \
      zlib1g libx11-6 libxcb1 libstdc++6 libgcc-s1
    root=${BRISKO_LMMS_I386:-/opt/brisko/lmms-i386}
    [ -x "$root/usr/bin/lmms" ] && [ -x "$root/usr/lib/i386-linux-gnu/lmms/RemoteVstPlugin" ] && exit 0
    echo "Unpacking lmms:i386, lmms-vst-server:i386 and lmms-common into $root"
    debs=$(mktemp -d)
    trap 'rm -rf "$debs"' EXIT
    chmod 755 "$debs"  # apt downloads as the _apt user
    (cd "$debs" && apt-get download -qq lmms:i386 lmms-vst-server:i386 lmms-common)
    $sudo_cmd mkdir -p "$root"
    for deb in "$debs"/*.deb; do $sudo_cmd dpkg -x "$deb" "$root"; done
    exit 0 ;;
esac

build_packages=(cmake ninja-build g++ pkg-config zip libcairo2-dev libfontconfig-dev fonts-liberation libsndfile1-dev
  libx11-dev lv2-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest)
test_packages=(ardour googletest libgtest-dev libbenchmark-dev libfftw3-dev libkissfft-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev python3 python3-numpy python3-pil sox xvfb libxtst-dev libxres-dev libxdamage-dev
  x11-utils xdotool audacity sordi lilv-utils lv2proc lv2file jalv jackd2)

packages=("${build_packages[@]}")
if [ "${1:-test}" = test ]; then packages+=("${test_packages[@]}"); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
