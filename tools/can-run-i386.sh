#!/bin/bash
# Exit 0 when this machine executes 32-bit x86 programs, found by running one:
# a static i386 program of three instructions that exits with 42. Otherwise
# exit 1 and print why on one line (a kernel without 32-bit support answers
# "Exec format error").
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/brisko-i386.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$work/exit42.s"
if ! as --32 -o "$work/exit42.o" "$work/exit42.s" 2>"$work/log" || ! ld -m elf_i386 -o "$work/exit42" "$work/exit42.o" 2>>"$work/log"; then
  echo "cannot build a 32-bit test program with as --32 / ld -m elf_i386: $(head -n 1 "$work/log")"
  exit 1
fi
"$work/exit42" 2>"$work/log"
rc=$?
[ $rc -eq 42 ] && exit 0
reason=$(sed -n 's/.*exit42: //p' "$work/log" | head -n 1)
[ -n "$reason" ] && reason="gives \"$reason\"" || reason="exits with $rc instead of 42"
echo "this machine does not execute 32-bit programs (a static i386 program $reason)"
exit 1
