#!/bin/bash
# Instructions of the SSE2 transform pair as 32-bit x86 code, by class, with
# and without the scheduling options the 32-bit build uses: an i686 Linux
# build of the transform (valgrind runs 32-bit Linux code, not DLLs), not
# position-independent, as the DLL is. Needs g++-multilib.
# Usage: bench/count-i686.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The options of the transform in the project's 32-bit builds (RelWithDebInfo,
# and -O3, as the signal libraries are built).
common=(-m32 -fno-pie -no-pie -std=c++20 -O3 -g -DNDEBUG -msse2 -mfpmath=sse -ffp-contract=off -fno-fast-math)
sources=()
for source in "$root"/dsp/*.cpp; do
  case $source in *Avx2*|*Avx512*) ;; *) sources+=("$source") ;; esac
done
calls=1000
for variant in plain scheduled; do
  extra=()
  [ "$variant" = scheduled ] && extra=(-fschedule-insns -fsched-pressure)
  g++ "${common[@]}" "${extra[@]}" -I"$root" "${sources[@]}" "$root/bench/TransformCount.cpp" -o "$work/$variant"
  valgrind --tool=callgrind --dump-instr=yes --callgrind-out-file="$work/$variant.out" \
    --toggle-collect='*::forwardQuad<*' --toggle-collect='*::inverseQuad<*' "$work/$variant" sse2 "$calls" >/dev/null 2>&1
  python3 "$root/bench/instruction-classes.py" "$work/$variant.out" "$work/$variant" "$calls" > "$work/$variant.txt"
done
echo "SSE2 pair as i686 code, instructions per call:"
paste "$work/plain.txt" "$work/scheduled.txt" |
  awk -F'\t' 'BEGIN { printf "%-12s %10s %10s\n", "class", "plain", "scheduled" } { printf "%-12s %10s %10s\n", $1, $2, $4 }'
