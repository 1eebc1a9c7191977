#!/bin/bash
# tools/check-dll.sh against DLLs with planted stack-slot faults: each DLL is
# one exported "main" whose body is a few instructions, assembled and linked
# with MinGW-w64, and the check must fail exactly on the faulty ones.
set -u -o pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-check-dll.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# planted BITS EXPECT BODY: EXPECT is ok (the check passes) or fault.
planted() {
  local bits=$1 expect=$2 body=$3 cc format symbol exports
  if [ "$bits" = 32 ]; then cc=i686-w64-mingw32-gcc format=pei-i386 symbol=_main exports=main
  else cc=x86_64-w64-mingw32-gcc format=pei-x86-64 symbol=main exports=main; fi
  command -v $cc >/dev/null || { echo "check-dll-test: $cc not found (apt-get install g++-mingw-w64)"; exit 1; }
  printf '.section .drectve\n.ascii " -export:main"\n.text\n.globl %s\n%s:\n%s\nret\n' "$symbol" "$symbol" \
    "$(printf '%s\n' "$body" | tr ';' '\n')" >"$work/planted.s"
  if ! $cc -nostdlib -shared -Wl,--entry=0 -o "$work/planted.dll" "$work/planted.s" 2>"$work/cc.log"; then
    echo "FAILED: cannot build the planted DLL ($body): $(sed -n 2p "$work/cc.log")"; failures=$((failures + 1)); return
  fi
  "$top/tools/check-dll.sh" "$work/planted.dll" $format $exports >"$work/check.log" 2>&1
  case "$?:$(grep -c '^FAILED' "$work/check.log")" in
    0:0) got=ok ;;
    1:1) grep -q '^FAILED: functions use aligned vector stack slots' "$work/check.log" && got=fault || got=other ;;
    *) got=other ;;
  esac
  if [ "$got" = "$expect" ]; then
    echo "ok: $bits-bit '$body' judged $got"
  else
    echo "FAILED: $bits-bit '$body' judged $got, expected $expect"; sed 's/^/  /' "$work/check.log"
    failures=$((failures + 1))
  fi
}

# 32-bit: the caller's stack may be aligned to 4 bytes only.
planted 32 fault 'movaps %xmm0,0x10(%esp)'
planted 32 fault 'mulpd 0x10(%ebp),%xmm1'
planted 32 ok    'push %ebp;mov %esp,%ebp;and $0xfffffff0,%esp;movaps %xmm0,0x10(%esp);leave'
planted 32 fault 'and $0xfffffff0,%esp;vmovaps %ymm0,0x20(%esp)'
planted 32 ok    'and $0xffffffe0,%esp;vmovaps %ymm0,0x20(%esp);vmovdqa %xmm1,0x40(%esp)'
planted 32 fault 'and $0xffffffe0,%esp;vmovdqa64 %zmm0,0x40(%esp)'
planted 32 ok    'and $0xffffffc0,%esp;vmovapd %zmm0,0x40(%esp)'
planted 32 fault 'cvtpd2ps 0x10(%esp),%xmm0'
planted 32 fault 'cvtdq2ps 0x10(%esp),%xmm0'
planted 32 ok    'cvtps2pd 0x8(%esp),%xmm0;cvtsi2sd 0x4(%esp),%xmm1;addsd 0x8(%esp),%xmm0;movups %xmm0,0x4(%esp)'
planted 32 ok    'vaddps 0x4(%esp),%ymm1,%ymm0;vmovups %ymm0,0x4(%esp);vcvtpd2psy 0x4(%esp),%xmm2;movsd %xmm0,0x4(%esp)'
# 64-bit: 16-byte alignment is guaranteed, wider slots need realigning.
planted 64 ok    'movaps %xmm0,0x20(%rsp)'
planted 64 fault 'vmovaps %ymm0,0x20(%rsp)'
planted 64 ok    'and $0xffffffffffffffe0,%rsp;vmovaps %ymm0,0x20(%rsp)'
planted 64 fault 'and $0xffffffffffffffe0,%rsp;vmovntps %zmm0,0x40(%rsp)'

[ $failures -eq 0 ] && echo "check-dll judges every planted DLL right" || { echo "$failures planted DLLs judged wrong"; exit 1; }
