#!/bin/bash
# Runs binary_bench against each built target in turn: the Linux shared object
# natively, the 64-bit DLL under wine64 and, where the kernel executes 32-bit
# programs, the 32-bit DLL under 32-bit Wine (tools/wine-run.sh gives each
# its own prefix). With --kernel-sets, each target's pinned test builds too,
# one for every kernel set this CPU runs (build/*/plugin/pinned/). Prints the
# load average before each run. With --rounds N, goes through every target N
# times in turn (a shared machine's speed drifts from minute to minute) and
# ends with a summary: per target, set and case the median CPU-time factor
# and the median of each round's ratio to the Linux shared object of the same
# set and case. Other arguments go to every run.
# Usage: bench/compare-targets.sh [--kernel-sets] [--rounds N] [--seconds S] [--repetitions R] [--instances N]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"; }
sets=("")
rounds=1
while [ $# -gt 0 ]; do
  case $1 in
    --kernel-sets)
      mapfile -t listed < <("$root/build/native/bench/kernel_sets") || exit 1
      sets=("${listed[@]/#/-}")
      shift ;;
    --rounds) rounds=$2; shift 2 ;;
    *) break ;;
  esac
done

bench_args=("$@")
records=$(mktemp)
trap 'rm -f "$records"' EXIT
# Appends "round<TAB>target<TAB>set<TAB>case<TAB>factor" for each case line
# of binary_bench's output (its first factor is the CPU-time one).
record() {
  awk -v round="$1" -v target="$2" -v set="$3" -v out="$records" '
    { print }
    / +[0-9.]+x +[0-9.]+x +[0-9.]+x / {
      name = $0; sub(/ +[0-9.]+x.*/, "", name)
      for (i = 1; i <= NF; ++i) if ($i ~ /^[0-9.]+x$/) { f = $i; sub(/x$/, "", f); break }
      printf "%s\t%s\t%s\t%s\t%s\n", round, target, set, name, f >> out
    }'
}
# run ROUND TARGET-LABEL BENCH PLUGIN-DIR SUFFIX native|wine: every set in turn.
run() {
  local round=$1 label=$2 bench=$3 dir=$4 suffix=$5 how=$6 set plugin
  for set in "${sets[@]}"; do
    if [ -z "$set" ]; then plugin=$dir/Brisko$suffix; else plugin=$dir/pinned/Brisko$set$suffix; fi
    echo "== $label${set:+, kernel set ${set#-}}"
    load
    if [ "$how" = wine ]; then
      WINE_TEST_TIMEOUT=${WINE_TEST_TIMEOUT:-1800} "$root/tools/wine-run.sh" "$bench" "Z:$plugin" "${bench_args[@]}"
    else
      "$bench" "$plugin" "${bench_args[@]}"
    fi | record "$round" "$label" "${set#-}"
    echo
  done
}
win32=
if why_not=$("$root/tools/can-run-i386.sh") && [ -x "$root/build/win32/bench/binary_bench.exe" ]; then win32=yes; fi
for round in $(seq "$rounds"); do
  [ "$rounds" -gt 1 ] && echo "#### round $round of $rounds"
  run "$round" "Linux shared object" "$root/build/native/bench/binary_bench" "$root/build/native/plugin" .so native
  run "$round" "64-bit DLL under wine64" "$root/build/win64/bench/binary_bench.exe" "$root/build/win64/plugin" .dll wine
  if [ -n "$win32" ]; then
    run "$round" "32-bit DLL under 32-bit Wine" "$root/build/win32/bench/binary_bench.exe" "$root/build/win32/plugin" .dll wine
  fi
done
[ -n "$win32" ] || echo "32-bit DLL: not run (${why_not:-build/win32/bench/binary_bench.exe is not built})"
[ "$rounds" -gt 1 ] || exit 0

echo "#### summary of $rounds rounds: median CPU-time factor, median ratio to the Linux shared object"
awk -F'\t' '
  function median(list,   n, v, i, j, t) {
    n = split(list, v, " ")
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  { key = $2 "\t" $3 "\t" $4; factor[key] = factor[key] " " $5; value[$1 "\t" key] = $5
    if (!(key in seen)) { seen[key] = 1; order[++count] = key } }
  $2 == "Linux shared object" { native[$1 "\t" $3 "\t" $4] = $5 }
  END {
    for (k = 1; k <= count; ++k) {
      split(order[k], part, "\t"); ratios = ""
      for (r in value) {
        split(r, rp, "\t")
        if (rp[2] "\t" rp[3] "\t" rp[4] != order[k]) continue
        base = native[rp[1] "\t" rp[3] "\t" rp[4]]
        if (base > 0) ratios = ratios " " value[r] / base
      }
      printf "%-30s %-7s %-40s %7.0fx %5.2f\n", part[1], part[2], part[3], median(factor[order[k]]), median(ratios)
    }
  }' "$records"
