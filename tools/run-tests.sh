#!/bin/bash
# Builds every target and runs every test: native, sanitizers, 64-bit Windows
# under Wine, and the 32-bit Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

jobs=$(nproc)
stage() { echo; echo "=== $*"; }

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}

stage "Linux x86-64: build and test"
build native
ctest --preset native -j"$jobs"

stage "Linux x86-64 with AddressSanitizer and UndefinedBehaviorSanitizer"
build asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j"$jobs"

stage "Linux x86-64 with ThreadSanitizer"
build tsan
TSAN_OPTIONS=halt_on_error=1 ctest --preset tsan -j"$jobs"

stage "Fuzzing the effect record (libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer)"
build fuzz
fuzzdir=$(mktemp -d)
mkdir "$fuzzdir/corpus" && cp tests/fuzz/corpus/* "$fuzzdir/corpus/"
if build/fuzz/tests/fuzz/record_fuzzer -max_total_time="${BRISKO_FUZZ_SECONDS:-60}" -max_len=512 \
    -print_final_stats=1 -artifact_prefix="$fuzzdir/" "$fuzzdir/corpus" >"$fuzzdir/log" 2>&1; then
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$fuzzdir/log"
else
  tail -n 60 "$fuzzdir/log"
  echo "fuzzing found a crash; the input is kept in $fuzzdir"
  exit 1
fi
rm -rf "$fuzzdir"

stage "64-bit Windows: build, test under wine64"
build win64
ctest --preset win64

stage "brisko-render: the 64-bit Windows build under wine64 renders the Linux build's bytes"
tests/render/render-parity.sh build/native/tools/render/brisko-render build/native/plugin/Brisko.so \
  build/win64/tools/render/brisko-render.exe build/win64/plugin/Brisko.dll

stage "32-bit Windows: build, structural checks"
build win32
ctest --preset win32

stage "All stages passed"
