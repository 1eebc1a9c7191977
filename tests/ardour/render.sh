#!/bin/bash
# render.sh PLUGIN.so|BUNDLE.lv2 IN.wav OUT.wav [INDEX=VALUE ...]
#
# Render a WAV (stereo, or mono fed to both sides) through one Linux VST2
# plug-in (or the LV2 plug-in of a bundle, RENDER_PLUGIN_TYPE=lv2) hosted by
# Ardour 7.3 (headless: ardour7-lua / luasession on the "None (Dummy)" backend) and write the result to OUT.wav: same rate, same
# length, stereo, 32-bit float by default.  INDEX=VALUE sets plug-in parameter
# INDEX (0-based) to the normalised VALUE (0..1) before rendering.
#
# Environment (all optional):
#   RENDER_METHOD=export     export: Ardour's session export of the master bus (engine freewheeling,
#                          plug-in gets engine-period blocks); bounce: the track's "bounce with
#                          processing" (no master bus; plug-in gets 8192-sample blocks)
#   RENDER_RATE=44100        session rate; IN.wav must have this rate
#   RENDER_BUFFER=1024       engine period = the block size the plug-in is given
#   RENDER_FORMAT=f32        f32 (32-bit float WAV) or s24 (24-bit PCM WAV, no dither)
#   RENDER_TIMEOUT=120       seconds for each of the two Ardour runs (then SIGTERM, +10 s SIGKILL)
#   RENDER_SCAN_TIMEOUT=60   seconds for the plug-in scan
#   RENDER_RETRIES=4         extra attempts of an Ardour run that crashes before finishing its job,
#                          or whose export comes out all silent for a non-silent input
#                          (Ardour 7.3's export aborts in ~2% of runs; see README)
#   RENDER_PLUGIN_TYPE=lxvst lxvst: PLUGIN.so is a VST2 plug-in; lv2: BUNDLE.lv2 is an LV2 bundle, whose
#                          plug-in RENDER_LV2_URI names (INDEX counts its control input ports)
#   RENDER_NO_PLUGIN=0       1: insert no plug-in (null test of the harness itself)
#   RENDER_SAVE=0            1: save the session after rendering (the host then asks the plug-in for its state)
#   RENDER_NET_ISOLATE=auto  auto: run scanner and Ardour in an empty network namespace
#                          (unshare -rn) when that works; 1: require it; 0: don't
#   RENDER_KEEP=0            1: keep the temporary folder (session, logs) and print its path
#   RENDER_VERBOSE=0         1: print the scanner and Ardour logs to stderr
#   ARDOUR_LUA=ardour7-lua the luasession wrapper;  PYTHON=python3 (standard library only)
#
# Exit status: 0 success; 1 usage; 2 input problem; 3 plug-in scan failure;
#              4 Ardour failure or time-out; 5 output check failure.

set -u -o pipefail

usage() {
	sed -n '2,/^$/s/^# \{0,1\}//p' "$0" >&2
	exit 1
}

die() {
	local code=$1
	shift
	echo "render.sh: $*" >&2
	exit "$code"
}

[ $# -ge 3 ] || usage

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ARDOUR_LIB=/usr/lib/ardour7
SCANNER=$ARDOUR_LIB/ardour-vst-scanner
ARDOUR_LUA=${ARDOUR_LUA:-ardour7-lua}
PYTHON=${PYTHON:-python3}

METHOD=${RENDER_METHOD:-export}
RATE=${RENDER_RATE:-44100}
BUFFER=${RENDER_BUFFER:-1024}
FORMAT=${RENDER_FORMAT:-f32}
TIMEOUT=${RENDER_TIMEOUT:-120}
SCAN_TIMEOUT=${RENDER_SCAN_TIMEOUT:-60}
RETRIES=${RENDER_RETRIES:-4}
NO_PLUGIN=${RENDER_NO_PLUGIN:-0}
TYPE=${RENDER_PLUGIN_TYPE:-lxvst}
LV2_URI=${RENDER_LV2_URI:-}
SAVE=${RENDER_SAVE:-0}
NET_ISOLATE=${RENDER_NET_ISOLATE:-auto}
KEEP=${RENDER_KEEP:-0}
VERBOSE=${RENDER_VERBOSE:-0}

PLUGIN_ARG=$1
IN=$2
OUT=$3
shift 3

PARAMS=""
for p in "$@"; do
	[[ $p =~ ^[0-9]+=[-+]?[0-9]*\.?[0-9]+([eE][-+]?[0-9]+)?$ ]] || die 1 "bad parameter '$p' (want INDEX=VALUE, e.g. 3=0.25)"
	PARAMS="${PARAMS:+$PARAMS,}$p"
done

command -v soxi >/dev/null || die 2 "soxi (package sox) not found"
command -v "$PYTHON" >/dev/null || die 2 "$PYTHON not found"
command -v "$ARDOUR_LUA" >/dev/null || die 4 "$ARDOUR_LUA not found"
[ -x "$SCANNER" ] || die 3 "$SCANNER not found"
case $TYPE in
	lxvst) [ -f "$PLUGIN_ARG" ] || die 2 "plug-in '$PLUGIN_ARG' not found" ;;
	lv2) [ -f "$PLUGIN_ARG/manifest.ttl" ] && [ -n "$LV2_URI" ] ||
		die 2 "no LV2 bundle '$PLUGIN_ARG' or no RENDER_LV2_URI" ;;
	*) die 1 "RENDER_PLUGIN_TYPE must be lxvst or lv2" ;;
esac
[ -f "$IN" ] || die 2 "input '$IN' not found"
PLUGIN=$(readlink -f "$PLUGIN_ARG")
[ "$TYPE" = lv2 ] || [[ $PLUGIN == *.so ]] ||
	die 2 "plug-in file name must end in .so (Ardour only looks at *.so): $PLUGIN"
OUT_DIR=$(dirname "$OUT")
[ -d "$OUT_DIR" ] || die 2 "output folder '$OUT_DIR' does not exist"

case $METHOD in
	export | bounce) ;;
	*) die 1 "RENDER_METHOD must be export or bounce" ;;
esac

case $FORMAT in
	f32) PRESET=6a7c2d1e-0b1f-4c55-9a1e-5d3f0000a001 ;;
	s24) PRESET=6a7c2d1e-0b1f-4c55-9a1e-5d3f0000a024 ;;
	*) die 1 "RENDER_FORMAT must be f32 or s24" ;;
esac

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
T_START=$(now)

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ardour-render.XXXXXX") || die 4 "mktemp failed"
cleanup() {
	if [ "$KEEP" = 1 ]; then
		echo "render.sh: kept $WORK" >&2
	else
		rm -rf "$WORK"
	fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Private Ardour configuration and cache: nothing from ~/.config/ardour7 leaks
# in, the plug-in's own folder is the only LXVST search path (a fresh config
# takes it from LXVST_PATH), and only this plug-in has a VST2 cache entry.
H=$WORK/home
# Only the bundle under test (and none of the system's) is on LV2_PATH.
mkdir -p "$WORK/lv2"
[ "$TYPE" = lv2 ] && ln -s "$PLUGIN" "$WORK/lv2/$(basename "$PLUGIN")"
mkdir -p "$H/.config/ardour7/export" "$H/.cache" "$H/.local/share" "$WORK/export"
ENVV=(env -u VST_PATH -u VST_PLUGINS -u LXVST_PLUGINS -u VST3_PATH
	HOME="$H" XDG_CONFIG_HOME="$H/.config" XDG_CACHE_HOME="$H/.cache" XDG_DATA_HOME="$H/.local/share"
	LXVST_PATH="$(dirname "$PLUGIN")" LV2_PATH="$WORK/lv2"
	LD_LIBRARY_PATH="$ARDOUR_LIB${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}")

# --- export formats + presets: session rate, no normalising, no dither, no trimming
write_format() { # id name sample-format
	cat >"$H/.config/ardour7/export/render-$3.format" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<ExportFormatSpecification name="$2" id="$1" with-cue="false" with-toc="false" with-mp4chaps="false" command="" analyse="false" soundcloud-upload="false">
  <Encoding id="F_WAV" type="T_Sndfile" extension="wav" name="WAV" has-sample-format="true" channel-limit="256"/>
  <SampleRate rate="SR_Session"/>
  <SRCQuality quality="SRC_SincBest"/>
  <EncodingOptions>
    <Option name="sample-format" value="$3"/>
    <Option name="dithering" value="D_None"/>
    <Option name="tag-metadata" value="false"/>
    <Option name="tag-support" value="false"/>
    <Option name="broadcast-info" value="false"/>
  </EncodingOptions>
  <Processing>
    <Normalize enabled="false" loudness="false" dbfs="0" lufs="-23" dbtp="-1"/>
    <Silence>
      <Start><Trim enabled="false"/><Add enabled="false"><Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/></Add></Start>
      <End><Trim enabled="false"/><Add enabled="false"><Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/></Add></End>
    </Silence>
  </Processing>
</ExportFormatSpecification>
EOF
}
write_preset() { # id name format-id file
	cat >"$H/.config/ardour7/export/$4.preset" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="$1" name="$2">
  <ExportFormat id="$3"/>
  <ExportFilename>
    <Folder relative="false" path="$WORK/export"/>
    <Field name="label" enabled="false"/>
    <Field name="session" enabled="false"/>
    <Field name="snapshot" enabled="false"/>
    <Field name="timespan" enabled="true"/>
    <Field name="revision" enabled="false"/>
    <Field name="time" enabled="false" value="T_None"/>
    <Field name="date" enabled="false" value="D_None"/>
  </ExportFilename>
</ExportPreset>
EOF
}
write_format 6a7c2d1e-0b1f-4c55-9a1e-5d3f00000f32 "render float32 wav" SF_Float
write_format 6a7c2d1e-0b1f-4c55-9a1e-5d3f00000024 "render int24 wav" SF_24
write_preset 6a7c2d1e-0b1f-4c55-9a1e-5d3f0000a001 "render float32" 6a7c2d1e-0b1f-4c55-9a1e-5d3f00000f32 render-f32
write_preset 6a7c2d1e-0b1f-4c55-9a1e-5d3f0000a024 "render int24" 6a7c2d1e-0b1f-4c55-9a1e-5d3f00000024 render-s24

# --- input: rate/channels/length; exact split into two mono float32 files
CH=$(soxi -c "$IN" 2>/dev/null) || die 2 "cannot read '$IN' with soxi"
SR=$(soxi -r "$IN" 2>/dev/null)
N=$(soxi -s "$IN" 2>/dev/null)
[ "$SR" = "$RATE" ] || die 2 "input rate is $SR Hz, session rate is $RATE Hz (resample first, or set RENDER_RATE)"
[ "$N" -gt 0 ] 2>/dev/null || die 2 "input has no samples"
[ "$CH" = 1 ] || [ "$CH" = 2 ] || die 2 "input has $CH channels; want 1 or 2"
"$PYTHON" "$HERE/wavtool.py" split "$IN" "$WORK/in_L.wav" "$WORK/in_R.wav" >/dev/null ||
	die 2 "cannot split '$IN' (wavtool.py reads PCM 16/24/32-bit and float 32/64-bit WAV)"
INPUT_SILENT=0
"$PYTHON" "$HERE/wavtool.py" silent "$IN" >/dev/null && INPUT_SILENT=1

# --- no network for anything that runs plug-in or Ardour code
NET=()
if [ "$NET_ISOLATE" != 0 ]; then
	if unshare -rn true 2>/dev/null; then
		NET=(unshare -rn)
	elif [ "$NET_ISOLATE" = 1 ]; then
		die 4 "RENDER_NET_ISOLATE=1 but 'unshare -rn' does not work here"
	fi
fi

# --- scan: writes the VST2 cache entry that Ardour's cache-only discovery needs
T_SCAN=$(now)
if [ "$NO_PLUGIN" != 1 ] && [ "$TYPE" = lxvst ]; then
	${NET[@]+"${NET[@]}"} timeout -k 5 "$SCAN_TIMEOUT" "${ENVV[@]}" "$SCANNER" -f -v "$PLUGIN" >"$WORK/scan.log" 2>&1 </dev/null
	rc=$?
	[ "$VERBOSE" = 1 ] && sed 's/^/[scan] /' "$WORK/scan.log" >&2
	if [ $rc -ne 0 ] || ! grep -q '<VST2Info' "$WORK/scan.log" || ! ls "$H/.cache/ardour7/vst/"*.v2i >/dev/null 2>&1; then
		[ "$VERBOSE" = 1 ] || sed 's/^/[scan] /' "$WORK/scan.log" >&2
		die 3 "plug-in scan failed (rc $rc)"
	fi
	grep -q 'can_process_replace="1"' "$WORK/scan.log" || die 3 "plug-in lacks processReplacing; Ardour refuses such plug-ins"
fi
SCAN_SECS=$(since "$T_SCAN")

# run_lua LOG key=value...  (one luasession process, time-limited, no network)
# Ardour's messages and the script's markers go to stdout (LOG); stderr (where
# a plug-in may print) goes to LOG.stderr, so the two cannot interleave.
run_lua() {
	local log=$1
	shift
	${NET[@]+"${NET[@]}"} timeout -k 10 "$TIMEOUT" "${ENVV[@]}" "$ARDOUR_LUA" -X "$HERE/render.lua" "$@" \
		>"$log" 2>"$log.stderr" </dev/null
	local rc=$?
	if [ "$VERBOSE" = 1 ]; then
		sed "s/^/[ardour] /" "$log" >&2
		sed "s/^/[ardour stderr] /" "$log.stderr" >&2
	fi
	# Export formats whose encoder (MP3) is not installed are reported as
	# errors while Ardour loads its presets; they do not touch the render.
	if [ $rc -eq 0 ] && grep '^\[\(ERROR\|FATAL\)\]' "$log" | grep -qv "Ignored format .*encoder is not available"; then
		rc=250 # Ardour logged an error but the script went on
	fi
	if [ $rc -ne 0 ] && [ "$VERBOSE" != 1 ]; then
		tail -n 30 "$log" | sed "s/^/[ardour] /" >&2
		tail -n 10 "$log.stderr" | sed "s/^/[ardour stderr] /" >&2
	fi
	return $rc
}

# --- run 1: fresh session, stereo track, placeholder region of N samples
T_CREATE=$(now)
# (a function: a render run whose export comes out silent starts again from a
# new session, so that a fault in the session made by run 1 cannot repeat)
create_session() {
	local attempt=0 rc
	while :; do
		rm -rf "$WORK/session" "$WORK/session.pristine"
		run_lua "$WORK/ardour-create.log" mode=create dir="$WORK/session" name=render rate="$RATE" buffer="$BUFFER" length="$N"
		rc=$?
		[ $rc -eq 0 ] && break
		[ $rc -eq 124 ] || [ $rc -eq 137 ] && die 4 "session creation timed out after $TIMEOUT s"
		attempt=$((attempt + 1))
		[ $attempt -le "$RETRIES" ] || die 4 "session creation failed (rc $rc)"
		echo "render.sh: session creation failed (rc $rc), retrying" >&2
	done
	SRC1=$(sed -n 's/^@@source 1 //p' "$WORK/ardour-create.log")
	SRC2=$(sed -n 's/^@@source 2 //p' "$WORK/ardour-create.log")
	[ -f "$SRC1" ] && [ -f "$SRC2" ] || die 4 "placeholder sources not found ('$SRC1', '$SRC2')"
	# -p: the input keeps its older time stamp, as a move would keep it
	cp -pf "$WORK/in_L.wav" "$SRC1" && cp -pf "$WORK/in_R.wav" "$SRC2" || die 4 "cannot put the input in place"
	# each render attempt starts from a pristine copy of the session
	cp -a "$WORK/session" "$WORK/session.pristine" || die 4 "cannot copy the session"
}
create_session
CREATE_SECS=$(since "$T_CREATE")

# --- run 2: load, insert plug-in, set parameters, export or bounce
T_RENDER=$(now)
attempt=0
RETRIED=""
while :; do
	rm -rf "$WORK/session" "$WORK/export"
	cp -a "$WORK/session.pristine" "$WORK/session" && mkdir -p "$WORK/export" || die 4 "cannot restore the session"
	run_lua "$WORK/ardour-render.log" mode=render method="$METHOD" dir="$WORK/session" name=render buffer="$BUFFER" \
		length="$N" plugin="${LV2_URI:-$PLUGIN}" type="$TYPE" preset="$PRESET" outdir="$WORK/export" outname=out \
		params="$PARAMS" noplugin="$NO_PLUGIN" save="$SAVE"
	rc=$?
	[ $rc -eq 124 ] || [ $rc -eq 137 ] && die 4 "render run timed out after $TIMEOUT s"
	[ $rc -eq 250 ] && die 4 "Ardour reported errors during the render run"
	if grep -q "^@@done $METHOD\$" "$WORK/ardour-render.log"; then
		# the job finished; a crash after that (while closing) does not touch the result
		[ $rc -eq 0 ] || echo "render.sh: warning: Ardour exited with rc $rc after finishing the $METHOD" >&2
		# Ardour 7.3's export sometimes comes out all silent for a non-silent
		# input, with no plug-in at all too, on a busy machine, and then for
		# every render of the same session: named, and retried from a new one.
		if [ "$METHOD" = export ] && [ "$INPUT_SILENT" = 0 ] && [ -f "$WORK/export/out.wav" ] &&
			"$PYTHON" "$HERE/wavtool.py" silent "$WORK/export/out.wav" >/dev/null; then
			rc=silent
		else
			break
		fi
	fi
	# a Lua error (rc 1) is deterministic: no retry; a crash (signal) may be Ardour's export defect
	[ "$rc" = 1 ] && die 4 "render run failed (rc $rc)"
	attempt=$((attempt + 1))
	if [ "$rc" = silent ]; then
		what="Ardour's export came out all silent for a non-silent input (a defect of the host)"
	else
		what="render run failed (rc $rc)"
	fi
	[ $attempt -le "$RETRIES" ] || die 4 "$what in $attempt attempts"
	RETRIED="$RETRIED rc$rc"
	cp "$WORK/ardour-render.log" "$WORK/ardour-render.attempt$attempt.log"
	cp "$WORK/ardour-render.log.stderr" "$WORK/ardour-render.attempt$attempt.log.stderr"
	if [ "$rc" = silent ]; then
		echo "render.sh: $what, retrying with a new session" >&2
		mv "$WORK/session.pristine" "$WORK/session.silent$attempt" # kept with RENDER_KEEP=1
		create_session
	else
		echo "render.sh: $what, retrying" >&2
	fi
done
RENDER_SECS=$(since "$T_RENDER")

# --- output check and hand-over
if [ "$METHOD" = export ]; then
	RES="$WORK/export/out.wav"
	[ -f "$RES" ] || die 5 "export produced no file"
else
	B1=$(sed -n 's/^@@bounce 1 //p' "$WORK/ardour-render.log")
	B2=$(sed -n 's/^@@bounce 2 //p' "$WORK/ardour-render.log")
	[ -f "$B1" ] && [ -f "$B2" ] || die 5 "bounce files not found ('$B1', '$B2')"
	RES="$WORK/export/out.wav"
	"$PYTHON" "$HERE/wavtool.py" merge "$B1" "$B2" "$RES" $([ "$FORMAT" = s24 ] && echo --s24) >/dev/null ||
		die 5 "cannot merge the bounced channels"
fi
OCH=$(soxi -c "$RES" 2>/dev/null) && OSR=$(soxi -r "$RES" 2>/dev/null) && ON=$(soxi -s "$RES" 2>/dev/null) ||
	die 5 "cannot read the result"
[ "$OCH" = 2 ] || die 5 "result has $OCH channels"
[ "$OSR" = "$RATE" ] || die 5 "result rate $OSR"
[ "$ON" = "$N" ] || die 5 "result has $ON samples, input $N"
cp -f "$RES" "$OUT.tmp.$$" && mv -f "$OUT.tmp.$$" "$OUT" || die 5 "cannot write '$OUT'"

echo "render.sh: $(basename "$PLUGIN") ${PARAMS:-(defaults)} -> $OUT: $N samples @ $RATE Hz, $FORMAT, $METHOD;" \
	"scan ${SCAN_SECS}s, create ${CREATE_SECS}s, render ${RENDER_SECS}s${RETRIED:+ (retried:$RETRIED)}, total $(since "$T_START")s" >&2
exit 0
