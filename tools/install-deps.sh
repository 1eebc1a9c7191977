#!/bin/bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: tools/install-deps.sh [build|test|wine32]
#   wine32: 32-bit Wine (wine32:i386, with the i386 architecture added), for
#   machines whose kernel executes 32-bit programs
set -euo pipefail
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

if [ "${1:-test}" = wine32 ]; then
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && exit 0
  echo "Installing: wine32:i386"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
  exit 0
fi

build_packages=(cmake ninja-build g++ pkg-config libcairo2-dev libfontconfig-dev fonts-liberation libsndfile1-dev
  libx11-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest)
test_packages=(ardour googletest libgtest-dev libbenchmark-dev libfftw3-dev libkissfft-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev python3 python3-numpy sox xvfb libxtst-dev libxres-dev x11-utils xdotool)

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
