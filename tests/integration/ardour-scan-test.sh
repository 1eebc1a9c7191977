#!/bin/bash
# Ardour's VST 2 scanner, a real host's first contact with a plug-in, indexes
# the Linux shared object: checks the cache entry it writes.
# Usage: ardour-scan-test.sh PLUGIN.so
set -u -o pipefail
plugin=$(readlink -f "$1")
scanner=/usr/lib/ardour7/ardour-vst-scanner
[ -x "$scanner" ] || { echo "ardour-scan-test: $scanner not found (apt-get install ardour)"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-ardour-scan.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A private home and cache, and no network, so nothing outside is touched.
isolate=()
unshare -rn true 2>/dev/null && isolate=(unshare -rn)
${isolate[@]+"${isolate[@]}"} timeout -k 5 60 env HOME="$work" XDG_CACHE_HOME="$work/cache" \
  XDG_CONFIG_HOME="$work/config" LD_LIBRARY_PATH=/usr/lib/ardour7 \
  "$scanner" -f -v "$plugin" >"$work/log" 2>&1 </dev/null
rc=$?
cache=$(ls "$work"/cache/ardour7/vst/*.v2i 2>/dev/null | head -n 1)
if [ $rc -ne 0 ] || [ -z "$cache" ]; then
  cat "$work/log"
  echo "ardour-scan-test: scan failed (exit $rc)"
  exit 1
fi
cat "$cache"

failures=0
expect() {
  if grep -q "$1=\"$2\"" "$cache"; then echo "ok: $1=$2"; else echo "FAILED: expected $1=\"$2\""; failures=$((failures + 1)); fi
}
expect id 1112691531  # 'BRSK'
expect n_inputs 2
expect n_outputs 2
expect can_process_replace 1
expect is_instrument 0
expect creator "Brisko Dynamic Spectrum Delay"
grep -q 'name="Brisko' "$cache" && echo "ok: name" || { echo "FAILED: name"; failures=$((failures + 1)); }
[ $failures -eq 0 ]
