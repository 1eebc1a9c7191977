#!/usr/bin/env python3
"""Instructions of a callgrind run by class, per call.

Usage: instruction-classes.py CALLGRIND_OUT BINARY CALLS

Prints one class a line: its name, a tab, its count per call.

CALLGRIND_OUT must come from `valgrind --tool=callgrind --dump-instr=yes`;
only instructions of BINARY count. The classes are the ones that bound the
SSE2 transform: the conversions and sums share the two floating-point add
pipes of current x86 cores, products run on the multiply pipes.
"""
import collections
import os
import re
import subprocess
import sys

CLASSES = {
    "conversions": {"cvtps2pd", "cvtpd2ps", "cvtss2sd", "cvtsd2ss"},
    "double sums": {"addpd", "subpd", "addsd", "subsd"},
    "float sums": {"addps", "subps", "addss", "subss"},
    "products": {"mulpd", "mulps", "mulsd", "mulss"},
    "shuffles": {"movlhps", "movhlps", "shufps", "shufpd", "unpcklpd", "unpckhpd", "unpcklps", "unpckhps",
                 "pshufd"},
}


def costs_by_address(path, binary):
    """Self cost of every instruction address of `binary` in a callgrind file."""
    costs = collections.Counter()
    names, current, address, skip_next = {}, None, 0, False
    for raw in open(path):
        line = raw.strip()
        match = re.match(r"(c?)ob=\((\d+)\)(?: (.*))?", line)
        if match:
            if match.group(3):
                names[match.group(2)] = match.group(3)
            if not match.group(1):
                current = names.get(match.group(2))
            continue
        if line.startswith("calls="):
            skip_next = True  # the next cost line is the call's inclusive cost
            continue
        if not line or line[0] not in "0123456789+-*":
            continue
        fields = line.split()
        token = fields[0]
        if token.startswith(("+", "-")):
            address += int(token, 0)
        elif token != "*":
            address = int(token, 0)
        if skip_next:
            skip_next = False
            continue
        if current and os.path.realpath(current) == os.path.realpath(binary) and len(fields) > 2:
            costs[address] += int(fields[2])
    return costs


def main():
    path, binary, calls = sys.argv[1], sys.argv[2], int(sys.argv[3])
    listing = subprocess.run(["objdump", "-d", "--no-show-raw-insn", binary], capture_output=True, text=True,
                             check=True).stdout
    instructions = {}
    for line in listing.splitlines():
        match = re.match(r"\s*([0-9a-f]+):\s+(\S+)\s*(.*)", line)
        if match:
            instructions[int(match.group(1), 16)] = (match.group(2), match.group(3))
    totals = collections.Counter()
    for address, count in costs_by_address(path, binary).items():
        mnemonic, operands = instructions.get(address, ("?", ""))
        totals["all"] += count
        for name, members in CLASSES.items():
            if mnemonic in members:
                totals[name] += count
        if "(" in operands and not mnemonic.startswith(("lea", "nop")):
            # AT&T order: a memory destination is the last operand.
            last = re.sub(r"\([^)]*\)", "(m)", operands).split(",")[-1]
            totals["stores" if "(" in last and not mnemonic.startswith(("cmp", "test")) else "loads"] += count
    if not totals["all"]:
        sys.exit(f"instruction-classes.py: no instruction of {binary} in {path}")
    totals["add pipes"] = totals["conversions"] + totals["double sums"] + totals["float sums"]
    for name in ["all", *CLASSES, "loads", "stores", "add pipes"]:
        print(f"{name}\t{totals[name] / calls:.1f}")


main()
