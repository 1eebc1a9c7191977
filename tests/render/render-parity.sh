#!/bin/bash
# The Windows builds of brisko-render, each with its DLL, run under Wine
# (64-bit under wine64, 32-bit under 32-bit Wine), render the same bytes as
# the Linux build with the shared object: the demo with several parameter
# sets, block lengths and both processing calls, and a 24-bit WAV file (read
# by libsndfile on Linux, by the project's own reader on Windows).
# Usage: render-parity.sh LINUX_TOOL LINUX_SO WINDOWS_TOOL.exe WINDOWS_DLL [WINDOWS_TOOL.exe WINDOWS_DLL ...]
set -u -o pipefail
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
[ $# -ge 4 ] && [ $(($# % 2)) -eq 0 ] || { echo "usage: render-parity.sh LINUX_TOOL LINUX_SO (WINDOWS_TOOL.exe WINDOWS_DLL)..."; exit 1; }
linux_tool=$(absolute "$1") linux_plugin=$(absolute "$2")
shift 2
windows_tools=() windows_dirs=()
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-render-parity.XXXXXX")
trap 'rm -rf "$work"' EXIT
while [ $# -gt 0 ]; do  # each DLL in a folder of its own, under the name the tool is given
  dir="$work/windows-${#windows_tools[@]}"
  mkdir "$dir" && cp "$2" "$dir/Brisko.dll" || exit 1
  windows_tools+=("$(absolute "$1")") windows_dirs+=("$dir")
  shift 2
done

# A 24-bit input written by the Linux tool's sibling: the demo, quantised.
"$linux_tool" --quiet --plugin "$linux_plugin" demo "$work/demo.wav" --save-input "$work/demo-float.wav" || exit 1
sox "$work/demo-float.wav" -b 24 -e signed-integer "$work/demo24.wav" 2>/dev/null || {
  echo "render-parity: sox is needed (apt-get install sox)"; exit 1; }
for dir in "${windows_dirs[@]}"; do cp "$work/demo24.wav" "$dir/" || exit 1; done

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
  for w in "${!windows_tools[@]}"; do
    tool=${windows_tools[$w]} out="windows-$w-$i.wav"
    (cd "${windows_dirs[$w]}" && "$here/tools/wine-run.sh" "$tool" --quiet --plugin Brisko.dll \
      "$(basename "$input")" "$out" "${args[@]:1}") || { echo "render-parity: $(basename "$tool") failed"; exit 1; }
    if cmp -s "$work/linux-$i.wav" "${windows_dirs[$w]}/$out"; then
      echo "ok: identical bytes ($(stat -c %s "$work/linux-$i.wav")), ${tool#"$here/"}: ${cases[$i]}"
    else
      echo "FAILED: outputs differ ($(cmp "$work/linux-$i.wav" "${windows_dirs[$w]}/$out" | head -n 1)), $tool: ${cases[$i]}"
      failures=$((failures + 1))
    fi
  done
done
[ $failures -eq 0 ]
