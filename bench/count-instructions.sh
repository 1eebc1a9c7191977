#!/bin/bash
# Instruction counts that do not depend on the machine's load (valgrind
# callgrind): per call of each transform kernel set's 256-point forward and
# inverse, and per second of audio inside the plug-in's processing call for
# the heavy case and the defaults (binary_bench processes 2 x S seconds: the
# timed run and the hashed one). Valgrind does not run AVX-512 and hides it
# from CPUID, so the plug-in's figures are those of its AVX2 path.
# Usage: bench/count-instructions.sh [BUILD_DIR]   (default: build/native)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
total() { callgrind_annotate "$out" | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'; }

calls=10000
for set in sse2 avx2; do
  for direction in forward inverse; do
    valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect="*::${direction}Quad<*" \
      "$build/bench/transform_count" "$set" "$calls" >/dev/null 2>&1 || { echo "$set: not run"; continue 2; }
    echo "transform $set $direction: $(($(total) / calls)) instructions per call"
  done
done

seconds=10
for case in heavy defaults; do
  valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='*processReplacingEntry*' \
    "$build/bench/binary_bench" "$build/plugin/Brisko.so" --case "$case" --seconds "$seconds" \
    --repetitions 1 >/dev/null 2>&1
  echo "plug-in $case: $(($(total) / (2 * seconds))) instructions per second of audio"
done
