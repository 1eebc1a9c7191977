#!/bin/bash
# Runs binary_bench against each built target in turn: the Linux shared object
# natively, the 64-bit DLL under wine64 and, where the kernel executes 32-bit
# programs, the 32-bit DLL under 32-bit Wine (tools/wine-run.sh gives each
# its own prefix). With --kernel-sets, each target's pinned test builds too,
# one for every kernel set this CPU runs (build/*/plugin/pinned/). Prints the
# load average before each run. Other arguments go to every run.
# Usage: bench/compare-targets.sh [--kernel-sets] [--seconds S] [--repetitions R] [--instances N]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"; }
sets=("")
if [ "${1:-}" = --kernel-sets ]; then
  shift
  mapfile -t listed < <("$root/build/native/bench/kernel_sets") || exit 1
  sets=("${listed[@]/#/-}")
fi

bench_args=("$@")
# run TARGET-LABEL BENCH PLUGIN-DIR SUFFIX native|wine: every set in turn.
run() {
  local label=$1 bench=$2 dir=$3 suffix=$4 how=$5 set plugin
  for set in "${sets[@]}"; do
    if [ -z "$set" ]; then plugin=$dir/Brisko$suffix; else plugin=$dir/pinned/Brisko$set$suffix; fi
    echo "== $label${set:+, kernel set ${set#-}}"
    load
    if [ "$how" = wine ]; then
      WINE_TEST_TIMEOUT=${WINE_TEST_TIMEOUT:-1800} "$root/tools/wine-run.sh" "$bench" "Z:$plugin" "${bench_args[@]}"
    else
      "$bench" "$plugin" "${bench_args[@]}"
    fi
    echo
  done
}
run "Linux shared object" "$root/build/native/bench/binary_bench" "$root/build/native/plugin" .so native
run "64-bit DLL under wine64" "$root/build/win64/bench/binary_bench.exe" "$root/build/win64/plugin" .dll wine
if why_not=$("$root/tools/can-run-i386.sh") && [ -x "$root/build/win32/bench/binary_bench.exe" ]; then
  run "32-bit DLL under 32-bit Wine" "$root/build/win32/bench/binary_bench.exe" "$root/build/win32/plugin" .dll wine
else
  echo "32-bit DLL: not run (${why_not:-build/win32/bench/binary_bench.exe is not built})"
fi
