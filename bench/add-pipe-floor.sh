#!/bin/bash
# The least time the SSE2 transform pair can take on this CPU while it keeps
# its rounding points, beside its measured time and FFTW's double pair, all
# in one run. The pair's conversions and sums (counted by callgrind, which
# does not depend on the load) all run on the floating-point add pipes; the
# CPU's rate for them comes from transform_bench's BM_AddPipeThroughput.
# Usage: bench/add-pipe-floor.sh [BUILD_DIR]   (default: build/native)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

calls=1000
valgrind --tool=callgrind --dump-instr=yes --callgrind-out-file="$out" \
  --toggle-collect='*::forwardQuad<*' --toggle-collect='*::inverseQuad<*' \
  "$build/bench/transform_count" sse2 "$calls" >/dev/null 2>&1
echo "SSE2 pair (forward and inverse, 256 points), instructions per call:"
classes=$(python3 "$root/bench/instruction-classes.py" "$out" "$build/bench/transform_count" "$calls")
echo "$classes" | awk -F'\t' '{ printf "%-12s %10s\n", $1, $2 }'
add_ops=$(echo "$classes" | awk -F'\t' '$1 == "add pipes" { print $2 }')

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bench/transform_bench" --benchmark_filter='AddPipeThroughput|Sse2_Pair|Fftw_Pair/double' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
  awk -F, -v ops="$add_ops" '
    $1 ~ /_median"$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
      if (name == "BM_AddPipeThroughput") per_op = $4 / 16  # ns per operation: 16 per iteration
      else time[name] = $4
    }
    END {
      floor = ops * per_op
      printf "add-pipe operations: %.2f ns each, %.0f per pair: floor %.0f ns\n", per_op, ops, floor
      printf "SSE2 pair %.0f ns, FFTW double pair %.0f ns (medians of 5)\n", time["BM_Brisko/Sse2_Pair"], time["BM_Fftw_Pair/double"]
      printf "floor / FFTW double: %.2f; SSE2 pair / FFTW double: %.2f; SSE2 pair / floor: %.2f\n",
        floor / time["BM_Fftw_Pair/double"], time["BM_Brisko/Sse2_Pair"] / time["BM_Fftw_Pair/double"],
        time["BM_Brisko/Sse2_Pair"] / floor
    }'
