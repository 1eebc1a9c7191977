#!/bin/bash
# Builds every target and runs every test: native, sanitizers, 64-bit Windows
# under Wine, and the 32-bit Windows build, under 32-bit Wine where the
# machine executes 32-bit programs. Stages and tests that this machine cannot
# run are named as skipped, each on one line, and again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

jobs=$(nproc)
skipped=()
stage() { echo; echo "=== $*"; }
skip() { echo "SKIPPED: $*"; skipped+=("$*"); }

build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
}

# ctest, and every test it reports as skipped into the final summary, with
# the cases that test programs run under Wine skipped (tools/wine-run.sh).
run_ctest() {
  local log cases
  log=$(mktemp) cases=$(mktemp)
  if ! BRISKO_SKIP_LOG=$cases ctest "$@" 2>&1 | tee "$log"; then rm -f "$log" "$cases"; return 1; fi
  while read -r name; do skipped+=("test $name (ctest $*)"); done < <(sed -n 's/^.* - \(.*\) (Skipped)$/\1/p' "$log")
  while read -r line; do skipped+=("case $line (ctest $*)"); done <"$cases"
  rm -f "$log" "$cases"
}

stage "Linux x86-64: build and test"
build native
run_ctest --preset native -j"$jobs"

stage "Linux x86-64 with AddressSanitizer and UndefinedBehaviorSanitizer"
build asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest --preset asan -j"$jobs"

stage "Linux x86-64 with ThreadSanitizer"
build tsan
TSAN_OPTIONS=halt_on_error=1 run_ctest --preset tsan -j"$jobs"

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
run_ctest --preset win64

# The 32-bit programs run only on a kernel that executes 32-bit code.
if why_not=$(tools/can-run-i386.sh); then
  stage "32-bit Windows: build, test under 32-bit Wine"
  tools/install-deps.sh lmms32  # 32-bit Wine, and LMMS's i386 parts for its render test
  build win32 -DBRISKO_WIN32_RUN=ON
  run_ctest --preset win32
  windows32=(build/win32/tools/render/brisko-render.exe build/win32/plugin/Brisko.dll)
  parity="the 64-bit and the 32-bit Windows builds under Wine render"
else
  stage "32-bit Windows: build, structural checks"
  skip "32-bit Windows stage (test programs and brisko-render parity under 32-bit Wine): $why_not"
  build win32 -DBRISKO_WIN32_RUN=OFF
  run_ctest --preset win32
  windows32=()
  parity="the 64-bit Windows build under wine64 renders"
fi

stage "brisko-render: $parity the Linux build's bytes"
tests/render/render-parity.sh build/native/tools/render/brisko-render build/native/plugin/Brisko.so \
  build/win64/tools/render/brisko-render.exe build/win64/plugin/Brisko.dll ${windows32[@]+"${windows32[@]}"}

# The shipped binaries run the best kernel set this CPU has; the pinned test
# builds bring the others to the same comparison.
mapfile -t kernel_sets < <(build/native/bench/kernel_sets)
for set in "${kernel_sets[@]:0:${#kernel_sets[@]}-1}"; do
  stage "brisko-render with the plug-ins pinned to the $set kernels: $parity the Linux build's bytes"
  pinned32=()
  [ ${#windows32[@]} -gt 0 ] && pinned32=("${windows32[0]}" "build/win32/plugin/pinned/Brisko-$set.dll")
  tests/render/render-parity.sh build/native/tools/render/brisko-render "build/native/plugin/pinned/Brisko-$set.so" \
    build/win64/tools/render/brisko-render.exe "build/win64/plugin/pinned/Brisko-$set.dll" \
    ${pinned32[@]+"${pinned32[@]}"}
done
for set in sse2 avx2 avx512; do
  printf '%s\n' "${kernel_sets[@]}" | grep -qx "$set" ||
    skip "the $set kernel set through the binaries (golden output, render parity): this CPU does not run it"
done

if [ ${#skipped[@]} -gt 0 ]; then
  stage "All stages that ran passed; skipped on this machine:"
  printf '  - %s\n' "${skipped[@]}"
else
  stage "All stages passed"
fi
