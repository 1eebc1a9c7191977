#!/bin/bash
# The LV2 bundle as Debian's LV2 tools see it: sord_validate with lv2-dev's
# vocabularies finds no error, lv2info lists the ports and the UI, and the
# offline hosts (lv2apply one frame per call, lv2proc and lv2file in blocks
# of 512) render the same bits as brisko-render through the VST 2 plug-in.
# Usage: lv2-offline-test.sh LV2_FOLDER BRISKO_RENDER VST_SO
set -euo pipefail
lv2_folder=$(realpath "$1") render=$2 vst=$3
here=$(cd "$(dirname "$0")" && pwd)
wavtool="/usr/bin/python3 $here/../ardour/wavtool.py"
uri=urn:brisko:dynamic-spectrum-delay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work LV2_PATH=$lv2_folder
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() { timeout 300 "$@"; }

# Validation against the vocabularies the headers come with.
mapfile -t vocabularies < <(dpkg -L lv2-dev | grep '\.ttl$')
if run sord_validate "${vocabularies[@]}" "$lv2_folder"/Brisko.lv2/*.ttl >"$work/validate.txt" 2>&1 &&
  grep -q '^Found 0 errors' "$work/validate.txt"; then
  echo "sord_validate: $(grep '^Found' "$work/validate.txt")"
else
  cat "$work/validate.txt"
  fail "sord_validate reports errors"
fi

# Ports and UI as a host lists them.
run lv2info "$uri" >"$work/info.txt"
for name in "Delay time" "Feedback" "Modulation freq." "Modulation amp." "FFT Bin delay" "Dry/Wet"; do
  grep -qxF "		Name:        $name" "$work/info.txt" || fail "lv2info lists no control \"$name\""
done
controls=$(grep -c 'lv2core#ControlPort' "$work/info.txt" || true)
audio=$(grep -c 'lv2core#AudioPort' "$work/info.txt" || true)
[ "$controls" = 6 ] || fail "lv2info lists $controls control ports, not 6"
[ "$audio" = 4 ] || fail "lv2info lists $audio audio ports, not 4"
grep -q "$uri#ui" "$work/info.txt" && grep -q 'ui#X11UI' "$work/info.txt" || fail "lv2info lists no X11 UI"
grep -q 'Has latency: *no' "$work/info.txt" || fail "the plug-in reports a latency"

# Modulation on and every parameter away from its default.
settings=(delay_time=0.05 feedback=0.6 mod_freq=0.5 mod_amp=0.8 bin_delay=0.3 dry_wet=0.7)
vst_set=() apply_set=() proc_set=() file_set=()
for i in "${!settings[@]}"; do
  value=${settings[$i]#*=} symbol=${settings[$i]%=*}
  vst_set+=(--set "$i=$value")
  apply_set+=(-c "$symbol" "$value")
  proc_set+=(-c "$symbol:$value")
  file_set+=(-p "$symbol:$value")
done
run "$render" --quiet --plugin "$vst" "${vst_set[@]}" --block 512 --save-input "$work/in.wav" demo "$work/vst512.wav"
run "$render" --quiet --plugin "$vst" "${vst_set[@]}" --block 1 demo "$work/vst1.wav"
frames=$($wavtool frames "$work/vst512.wav")

run lv2apply -i "$work/in.wav" -o "$work/lv2apply.wav" "${apply_set[@]}" "$uri"
run lv2proc -n 512 "${proc_set[@]}" -i "$work/in.wav" -o "$work/lv2proc.wav" "$uri"
run lv2file -b 512 "${file_set[@]}" -i "$work/in.wav" -o "$work/lv2file.wav" "$uri" >/dev/null
for pair in lv2apply:vst1 lv2proc:vst512 lv2file:vst512; do
  host=${pair%:*} reference=${pair#*:}
  if $wavtool same "$frames" "$work/$reference.wav" "$work/$host.wav"; then
    echo "$host: the same $frames frames as brisko-render (${reference#vst}-frame blocks)"
  else
    fail "$host differs from brisko-render"
  fi
done
# The parameters made a difference: the comparison is not of two silences.
$wavtool same "$frames" "$work/in.wav" "$work/vst512.wav" >/dev/null && fail "the render equals its input"
! $wavtool silent "$work/vst512.wav" >/dev/null || fail "the render is silent"

[ "$failures" = 0 ] && echo "PASS" || { echo "$failures failure(s)"; exit 1; }
