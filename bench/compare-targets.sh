#!/bin/bash
# Runs binary_bench against each built target in turn: the Linux shared object
# natively, the 64-bit DLL under wine64 (tools/wine-run.sh) and, where the
# kernel can execute 32-bit programs and WINE32 names a 32-bit Wine, the
# 32-bit DLL. Prints the load average before each. Arguments go to every run.
# Usage: bench/compare-targets.sh [--seconds S] [--repetitions R] [--instances N]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
load() { echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"; }

load
"$root/build/native/bench/binary_bench" "$root/build/native/plugin/Brisko.so" "$@"
echo
load
WINE_TEST_TIMEOUT=${WINE_TEST_TIMEOUT:-1800} "$root/tools/wine-run.sh" \
  "$root/build/win64/bench/binary_bench.exe" "Z:$root/build/win64/plugin/Brisko.dll" "$@"
echo
if [ -n "${WINE32:-}" ] && [ -x "$root/build/win32/bench/binary_bench.exe" ]; then
  load
  WINEARCH=win32 "$WINE32" "$root/build/win32/bench/binary_bench.exe" "Z:$root/build/win32/plugin/Brisko.dll" "$@"
else
  echo "32-bit DLL: not run (set WINE32 to a 32-bit Wine on a kernel that executes 32-bit programs)"
fi
