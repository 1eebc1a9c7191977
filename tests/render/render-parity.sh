#!/bin/bash
# The Windows build of brisko-render with the 64-bit DLL, run under wine64,
# renders the same bytes as the Linux build with the shared object: the
# demo with several parameter sets, block lengths and both processing calls,
# and a 24-bit WAV file (read by libsndfile on Linux, by the project's own
# reader on Windows).
# Usage: render-parity.sh LINUX_TOOL LINUX_SO WINDOWS_TOOL.exe WINDOWS_DLL
set -u -o pipefail
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
linux_tool=$(absolute "$1") linux_plugin=$(absolute "$2") windows_tool=$(absolute "$3") windows_plugin=$(absolute "$4")
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-render-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$windows_plugin" "$work/Brisko.dll"

# A 24-bit input written by the Linux tool's sibling: the demo, quantised.
"$linux_tool" --quiet --plugin "$linux_plugin" demo "$work/demo.wav" --save-input "$work/demo-float.wav" || exit 1
sox "$work/demo-float.wav" -b 24 -e signed-integer "$work/demo24.wav" 2>/dev/null || {
  echo "render-parity: sox is needed (apt-get install sox)"; exit 1; }

cases=(
  "demo"
  "demo --set Delay_time=0.02 --set Feedback=0.7 --set Modulation_freq.=0.4 --set Modulation_amp.=0.3 --set FFT_Bin_delay=0.6 --tail 1"
  "demo --set 0=1 --set 1=1 --set 2=1 --set 3=1 --set 4=1 --set 5=0.5 --block 333 --mode adding"
  "demo24.wav --set 0=0.1 --set 3=0.5 --set 2=0.9 --block 64 --preroll 0.5"
)
failures=0
for i in "${!cases[@]}"; do
  read -r -a args <<<"${cases[$i]}"
  args=("${args[@]//_/ }")  # parameter names carry blanks
  input=${args[0]}
  [ "$input" = demo ] || input="$work/$input"
  "$linux_tool" --quiet --plugin "$linux_plugin" "$input" "$work/linux-$i.wav" "${args[@]:1}" || exit 1
  (cd "$work" && "$here/tools/wine-run.sh" "$windows_tool" --quiet --plugin Brisko.dll \
    "$(basename "$input")" "windows-$i.wav" "${args[@]:1}") || { echo "render-parity: the Windows run failed"; exit 1; }
  if cmp -s "$work/linux-$i.wav" "$work/windows-$i.wav"; then
    echo "ok: identical bytes ($(stat -c %s "$work/linux-$i.wav")): ${cases[$i]}"
  else
    echo "FAILED: outputs differ ($(cmp "$work/linux-$i.wav" "$work/windows-$i.wav" | head -n 1)): ${cases[$i]}"
    failures=$((failures + 1))
  fi
done
[ $failures -eq 0 ]
