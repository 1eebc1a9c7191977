#!/bin/bash
# LMMS 1.2.2 (Debian 12), a real host, renders the demo through the 32-bit
# Windows DLL, which its VST server runs under 32-bit Wine, and brisko-render
# renders the same input with the same parameter values through the Linux
# plug-in: the outputs must be the same bits.
# Usage: lmms-render-test.sh BRISKO.DLL BRISKO-RENDER BRISKO.SO
#
# BRISKO_LMMS_SCREENSHOT=FILE.png: afterwards, LMMS opens the same project
# in its main window with the plug-in's editor shown, and the screen with
# both is saved there.
#
# Exits 77 (skipped) with one line saying why where the machine cannot run
# 32-bit programs or LMMS's i386 parts are missing (tools/install-deps.sh
# lmms32 unpacks them into BRISKO_LMMS_I386, default /opt/brisko/lmms-i386).
#
# What LMMS does: the sample track plays the float WAV unchanged into its
# effect chain, where the VST server hands the DLL blocks of 256 frames; the
# parameters come from the project's paramI entries ("I:NAME:VALUE"; a wrongly
# formed one is ignored without a word, so the output is also checked against
# the plug-in's defaults); the last partial block is dropped, so the input is
# padded; a DLL the server cannot load leaves the audio unprocessed while LMMS
# still exits 0, so the log and the output are both checked for that.
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
skip() { echo "SKIPPED: LMMS rendering the 32-bit DLL: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

why=$("$top/tools/can-run-i386.sh") || skip "$why"
root=${BRISKO_LMMS_I386:-/opt/brisko/lmms-i386}
lmms=$root/usr/bin/lmms
[ -x "$lmms" ] && [ -x "$root/usr/lib/i386-linux-gnu/lmms/RemoteVstPlugin" ] ||
  skip "LMMS's i386 parts are not in $root (tools/install-deps.sh lmms32)"
[ -x /usr/lib/wine/wine ] || skip "32-bit Wine is not installed (tools/install-deps.sh lmms32)"
command -v Xvfb >/dev/null || skip "Xvfb is not installed"
missing=$(ldd "$lmms" "$root"/usr/lib/i386-linux-gnu/lmms/libvsteffect.so 2>&1 | sed -n 's/^\s*\(\S*\) => not found$/\1/p' | sort -u)
[ -z "$missing" ] || skip "i386 libraries LMMS needs are missing: $(echo $missing) (tools/install-deps.sh lmms32)"

dll=$(readlink -f "$1") render=$(readlink -f "$2") so=$(readlink -f "$3")
[ -x "$render" ] && [ -f "$so" ] || fail "$render or $so not found: build the native preset first"
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-lmms.XXXXXX")
trap 'rm -rf "$work"' EXIT
python=/usr/bin/python3
wav() { "$python" "$top/tests/ardour/wavtool.py" "$@"; }
rate=44100 block=256

# The Wine prefix the VST server runs in: the 32-bit one of tools/wine-run.sh,
# created there on first use, held alone while LMMS runs.
wine_system=/usr/lib/i386-linux-gnu/wine/i386-windows
prefix=${BRISKO_WINEPREFIX:-${TMPDIR:-/tmp}/brisko-wine-$(id -u)}-win32
"$top/tools/wine-run.sh" "$wine_system/cmd.exe" /c exit 0 >/dev/null 2>&1 ||
  fail "cannot set up the 32-bit Wine prefix $prefix"

# The demo, padded; the parameters chosen with modulation on, each value a
# short binary fraction so the project's decimal text is exact.
names=("Delay time" "Feedback" "Modulation freq." "Modulation amp." "FFT Bin delay" "Dry/Wet")
values=(0.25 0.5 0.375 0.5 0.25 1)
"$render" --quiet --plugin "$so" demo "$work/unused.wav" --save-input "$work/demo.wav" || fail "brisko-render failed"
wav pad "$work/demo.wav" "$work/input.wav" "$block" || fail "cannot pad the input"
frames=$(wav frames "$work/input.wav")
compared=$((frames - block))  # LMMS renders at least every whole block of the input

# A song of one sample track at 120 bpm (459.375 frames a tick) with the DLL
# in the track's effect chain; Keep effects running without input (LMMS would
# stop calling an effect after a stretch of silence).
params="" sets=()
for i in "${!values[@]}"; do
  params+=" param$i=\"$i:${names[$i]}:${values[$i]}\""
  sets+=(--set "$i=${values[$i]}")
done
ticks=$(( (frames * 8 + 3674) / 3675 + 1 ))
mkdir -p "$work/home"
cat >"$work/home/.lmmsrc.xml" <<EOF
<?xml version="1.0"?>
<!DOCTYPE lmmsrc>
<lmms version="1.2.2">
  <ui disableautoquit="1" enablerunningautosave="0"/>
  <mixer framesperaudiobuffer="$block" hqaudio="0"/>
</lmms>
EOF
cat >"$work/brisko.mmp" <<EOF
<?xml version="1.0"?>
<!DOCTYPE lmms-project>
<lmms-project version="1.0" creator="LMMS" creatorversion="1.2.2" type="song">
  <head bpm="120" timesig_numerator="4" timesig_denominator="4" mastervol="100" masterpitch="0"/>
  <song>
    <trackcontainer type="song">
      <track type="2" name="input" muted="0" solo="0">
        <sampletrack vol="100" pan="0" fxch="0">
          <fxchain enabled="1" numofeffects="1">
            <effect name="vsteffect" on="1" wet="1" gate="0" autoquit="1">
              <vsteffectcontrols plugin="$dll" numparams="${#values[@]}"$params/>
              <key><attribute name="file" value="$dll"/></key>
            </effect>
          </fxchain>
        </sampletrack>
        <sampletco pos="0" len="$ticks" muted="0" src="$work/input.wav"/>
      </track>
    </trackcontainer>
    <fxmixer>
      <fxchannel num="0" name="Master" volume="1" muted="0" soloed="0"><fxchain enabled="0" numofeffects="0"/></fxchannel>
    </fxmixer>
  </song>
</lmms-project>
EOF

# Render: float output, no interpolation, under a display of its own (the
# server opens the plug-in's editor window even when rendering).
start=$(date +%s)
(
  flock 9
  env HOME="$work/home" WINEPREFIX="$prefix" WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    timeout -k 10 "${LMMS_TIMEOUT:-300}" "$top/tests/x11/run-under-xvfb.sh" \
    "$lmms" --allowroot render "$work/brisko.mmp" -o "$work/lmms.wav" -f wav -a -x 1 -s "$rate"
  rc=$?
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null  # the server's processes in this prefix
  exit $rc
) 9>"$prefix.lock" >"$work/lmms.log" 2>&1
rc=$?
log_tail() { tail -n 20 "$work/lmms.log" | sed 's/^/[lmms] /'; }
[ $rc -eq 124 ] || [ $rc -eq 137 ] && { log_tail; fail "LMMS did not finish within ${LMMS_TIMEOUT:-300} s"; }
[ $rc -eq 0 ] || { log_tail; fail "LMMS exited with $rc"; }
grep -q "could not be loaded" "$work/lmms.log" && { log_tail; fail "LMMS's VST server could not load $dll"; }
[ -f "$work/lmms.wav" ] || { log_tail; fail "LMMS wrote no output"; }
echo "LMMS rendered $frames frames in $(($(date +%s) - start)) s"

wav same "$compared" "$work/lmms.wav" "$work/input.wav" >/dev/null &&
  fail "LMMS's output is the input unprocessed: the plug-in did not run"
"$render" --quiet --plugin "$so" --block "$block" "$work/input.wav" "$work/defaults.wav" || fail "brisko-render failed"
wav same "$compared" "$work/lmms.wav" "$work/defaults.wav" >/dev/null &&
  fail "LMMS's output is the plug-in's at its defaults: the project's parameter values did not reach it"

# LMMS's main window with the project open and the plug-in's editor shown
# (the project's guivisible), the screen saved into $1.
screenshot() {
  local output
  output=$(readlink -f "$1")
  sed 's/<vsteffectcontrols /<vsteffectcontrols guivisible="1" /' "$work/brisko.mmp" >"$work/shown.mmp"
  sed -i 's|<ui |<ui vstembedmethod="none" |; s|<mixer |<mixer audiodev="Dummy (no sound output)" mididev="Dummy (no MIDI support)" |
    s|<lmms version="1.2.2">|&\n  <app configured="1" nomsgaftersetup="1" openlastproject="0"/>|' \
    "$work/home/.lmmsrc.xml"
  cat >"$work/show.sh" <<EOF
#!/bin/bash
"$lmms" --allowroot "$work/shown.mmp" &
"$python" "$here/capture-editor.py" "$output" 90
rc=\$?
kill \$!
exit \$rc
EOF
  chmod +x "$work/show.sh"
  (
    flock 9
    env HOME="$work/home" WINEPREFIX="$prefix" WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      timeout -k 10 120 "$top/tests/x11/run-under-xvfb.sh" "$work/show.sh"
    rc=$?
    WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null
    exit $rc
  ) 9>"$prefix.lock" >"$work/show.log" 2>&1 && echo "the editor in LMMS's window saved into $output" ||
    { echo "no editor window showed in LMMS's window: nothing saved"; tail -n 5 "$work/show.log"; }
}

# The oscillator's phase counts frames from the moment "Modulation freq." is
# set: LMMS may run some blocks before the song starts, so the pre-roll of
# whole blocks that reproduces its output is searched and printed.
for blocks in $(seq 0 64); do
  seconds=$(awk -v b="$blocks" -v n="$block" -v r="$rate" 'BEGIN { printf "%.9f", b * n / r }')
  "$render" --quiet --plugin "$so" --block "$block" --preroll "$seconds" "${sets[@]}" \
    "$work/input.wav" "$work/brisko.wav" || fail "brisko-render failed"
  if wav same "$compared" "$work/lmms.wav" "$work/brisko.wav" >"$work/compare.log"; then
    echo "ok: LMMS with the 32-bit DLL equals brisko-render --block $block with a pre-roll of $blocks blocks, bit for bit ($compared frames)"
    [ -z "${BRISKO_LMMS_SCREENSHOT:-}" ] || screenshot "$BRISKO_LMMS_SCREENSHOT"
    exit 0
  fi
  [ "$blocks" -eq 0 ] && cp "$work/compare.log" "$work/compare-0.log"
done
cat "$work/compare-0.log"
fail "no pre-roll of 0 to 64 blocks makes brisko-render's output equal LMMS's"
