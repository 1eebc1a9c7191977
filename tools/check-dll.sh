#!/bin/bash
# Structural check of a Windows plug-in DLL, with the MinGW-w64 objdump:
# its format, its export table, and that it imports nothing but Windows
# system DLLs (the C++ and GCC runtimes are linked in).
# Usage: check-dll.sh DLL (pei-i386|pei-x86-64) EXPORT...
set -u -o pipefail
dll=$1 format=$2
shift 2
expected_exports=$(printf '%s\n' "$@" | sort)
objdump=x86_64-w64-mingw32-objdump
command -v $objdump >/dev/null || { echo "check-dll: $objdump not found (apt-get install binutils-mingw-w64-x86-64)"; exit 1; }

# System DLLs a plug-in may import: the kernel, the C runtime that ships with
# Windows, windowing and drawing, and OLE and the shell for drag and drop.
allowed="kernel32.dll msvcrt.dll user32.dll gdi32.dll ole32.dll oleaut32.dll shell32.dll advapi32.dll"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

actual_format=$($objdump -f "$dll" | sed -n 's/.*file format \(.*\)$/\1/p')
[ "$actual_format" = "$format" ] && echo "ok: format $format" || fail "format is '$actual_format', expected $format"

headers=$($objdump -p "$dll")
exports=$(echo "$headers" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
[ "$exports" = "$expected_exports" ] && echo "ok: exports $(echo $exports)" || fail "exports are '$(echo $exports)', expected '$(echo $expected_exports)'"

imports=$(echo "$headers" | sed -n 's/^\s*DLL Name: \(.*\)$/\1/p' | tr 'A-Z' 'a-z' | sort -u)
for dll_name in $imports; do
  case " $allowed " in
    *" $dll_name "*) echo "ok: imports $dll_name" ;;
    *) fail "imports $dll_name, which is not a Windows system DLL" ;;
  esac
done
# Aligned vector stack slots. A 32-bit host built with another compiler may
# call in with its stack aligned to 4 bytes only, and the 64-bit ABI
# guarantees 16: every function that keeps vector values in stack slots
# aligned beyond that must realign the stack itself, at least as far (GCC's
# -mstackrealign, the 32-bit MinGW default, does: `and $-16,%esp` for SSE
# slots, -32 and -64 for AVX and AVX-512 ones; -mincoming-stack-boundary=4 or
# -mno-stackrealign would not). What needs alignment:
# - legacy SSE with a 16-byte memory operand, but for the explicitly unaligned
#   moves and the forms that read or write 8 bytes or less (scalar ops,
#   movlp/movhp, pinsr/pextr, the widening conversions cvtps2pd/cvtdq2pd);
# - VEX and EVEX only for the aligned moves (vmovaps, vmovdqa, vmovnt...),
#   to the register's width: 16, 32 or 64 bytes.
# It reads objdump's disassembly on standard input, so that the planted
# faults of the tests can feed it theirs; it prints the functions at fault.
# Usage: unaligned_stack_slots STACK-REGISTER-LETTER(e|r) INCOMING-ALIGNMENT
unaligned_stack_slots() {
  awk -v r="$1" -v incoming="$2" '
    function done() { if (need > realigned && need > incoming) printf "%s(needs %d, realigns to %d) ", name, need, realigned }
    function require(bytes) { if (bytes > need) need = bytes }
    BEGIN { realign = "and +\\$0xf+[0-9a-f]0,%" r "sp"; slot = "\\(%" r "[sb]p" }
    /^[0-9a-f]+ <.*>:$/ { done(); name = substr($2, 2, length($2) - 3); need = 0; realigned = 0; next }
    $0 ~ realign {
      low = $0; sub(/,%.*/, "", low); low = substr(low, length(low) - 1)  # the two low hex digits of the mask
      bytes = low == "f0" ? 16 : low == "e0" ? 32 : low == "c0" ? 64 : low == "80" ? 128 : 0
      if (bytes > realigned) realigned = bytes
      next
    }
    /%[xyz]mm/ && $0 ~ slot {
      op = $2
      width = /%zmm/ ? 64 : /%ymm/ ? 32 : 16
      if (op ~ /^v/) { if (op ~ /^v(movap[sd]|movdqa(32|64)?|movnt)/) require(width); next }
      if (op ~ /^(movup|movdqu|lddqu|movhp|movlp|movs[sd]$|movq$|movd$|pinsr|pextr|extractps|insertps|pmov[sz]x)/) next
      if (op ~ /^cvt/) { if (op ~ /^cvtt?(pd2ps|dq2ps|ps2dq|pd2dq|pd2pi)$/) require(16); next }
      if (op ~ /^(movaps|movapd|movdqa|movntdqa|[a-z]+ps|[a-z]+pd|p[a-z]+)$/) require(16)
    }
    END { done() }'
}
if [ "$format" = pei-i386 ]; then registers=e incoming=4; else registers=r incoming=16; fi
unaligned=$($objdump -d --no-show-raw-insn "$dll" | unaligned_stack_slots $registers $incoming)
[ -z "$unaligned" ] && echo "ok: functions with aligned vector stack slots realign the stack far enough" ||
  fail "functions use aligned vector stack slots without realigning the stack far enough: $unaligned"
[ $failures -eq 0 ]
