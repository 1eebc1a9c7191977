#!/bin/bash
# Builds the project and runs the demo: a generated signal through one
# channel of the spectral delay, with a report of what came out.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRISKO_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
build/release/tools/brisko-demo
