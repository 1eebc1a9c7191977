#!/bin/bash
# `cmake --install` into a temporary prefix puts the VST 2 plug-in into
# lib/vst and the LV2 bundle into lib/lv2, nothing else, and what it put
# there loads: the bundle through lilv (lv2ls, lv2apply with that folder
# only), the shared object through the project's host library
# (brisko-render --plugin), and both render the same bits.
# Usage: install-test.sh BUILD_DIR BRISKO_RENDER
set -euo pipefail
build=$1 render=$2
here=$(cd "$(dirname "$0")" && pwd)
wavtool="/usr/bin/python3 $here/../ardour/wavtool.py"
uri=urn:brisko:dynamic-spectrum-delay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work
prefix=$work/prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

timeout 120 cmake --install "$build" --prefix "$prefix" >"$work/install.txt"
expected="lib/lv2/Brisko.lv2/BriskoDsp.so
lib/lv2/Brisko.lv2/BriskoUi.so
lib/lv2/Brisko.lv2/brisko-ui.ttl
lib/lv2/Brisko.lv2/brisko.ttl
lib/lv2/Brisko.lv2/manifest.ttl
lib/vst/Brisko.so"
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files:"$'\n'"$installed"$'\n'"expected:"$'\n'"$expected"

export LV2_PATH=$prefix/lib/lv2
listed=$(timeout 60 lv2ls)
[ "$listed" = "$uri" ] || fail "lv2ls with the installed folder lists: $listed"
timeout 60 lv2info "$uri" | grep -q "Binary: *file://$prefix/lib/lv2/Brisko.lv2/BriskoDsp.so" ||
  fail "lv2info does not name the installed binary"

params=$(timeout 60 "$render" --plugin "$prefix/lib/vst/Brisko.so" --list-params | grep -c . || true)
[ "$params" -ge 6 ] || fail "the installed VST 2 plug-in lists $params parameter lines"
timeout 120 "$render" --quiet --plugin "$prefix/lib/vst/Brisko.so" --set 0=0.02 --set 3=0.5 --set 2=0.3 --block 1 \
  --save-input "$work/in.wav" demo "$work/vst.wav"
timeout 120 lv2apply -i "$work/in.wav" -o "$work/lv2.wav" -c delay_time 0.02 -c mod_amp 0.5 -c mod_freq 0.3 "$uri"
$wavtool same "$($wavtool frames "$work/vst.wav")" "$work/vst.wav" "$work/lv2.wav" ||
  fail "the installed LV2 bundle and VST 2 plug-in render differently"

[ "$failures" = 0 ] && echo "PASS: installed into $prefix and loaded" || { echo "$failures failure(s)"; exit 1; }
