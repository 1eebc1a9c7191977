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
# A 32-bit host built with another compiler may call in with its stack aligned
# to 4 bytes only: every function that keeps SSE values in 16-byte-aligned
# stack slots must realign the stack itself (GCC's -mstackrealign, the
# MinGW default, does; -mincoming-stack-boundary=4 or -mno-stackrealign
# would not). VEX-encoded instructions (the AVX2 kernels, whose aligned moves
# the assembler turns into unaligned ones) take any alignment but for the
# aligned moves themselves.
if [ "$format" = pei-i386 ]; then
  unaligned=$($objdump -d --no-show-raw-insn "$dll" | awk '
    function done() { if (slots && !realigns) print name }
    /^[0-9a-f]+ <.*>:$/ { done(); name = substr($2, 2, length($2) - 3); slots = 0; realigns = 0; next }
    /and +\$0xfffffff0,%esp/ { realigns = 1 }
    /xmm/ && /\(%e[sb]p/ {
      op = $2
      if (op ~ /^v/) { if (op ~ /^v(movap|movdqa|movnt)/) slots = 1; next }
      if (op ~ /^(movup|movdqu|movhp|movlp|pinsr|pextr|cvt)/) next
      if (op ~ /^(movaps|movapd|movdqa|[a-z]+ps|[a-z]+pd|p[a-z]+)$/) slots = 1
    }
    END { done() }')
  [ -z "$unaligned" ] && echo "ok: functions with aligned SSE stack slots realign the stack" ||
    fail "functions use aligned SSE stack slots without realigning the stack: $(echo $unaligned)"
fi
[ $failures -eq 0 ]
