#!/usr/bin/env python3
"""Fails unless the code from symbol FROM up to symbol TO runs on an 8086.

    check_8086.py PROGRAM.ELF [FROM TO]     (default: _start _start_386)

The DOS program's start-up code checks for a VGA and a 386 before it uses a
32-bit register; this holds that part of the build to 8086 instructions. It
disassembles the range as 8086 code (objdump -m i8086) and refuses every
instruction the 8086 does not have: operand- and address-size prefixes, FS
and GS, two-byte opcodes (0Fh), and what the 80186 and 80286 added (PUSHA,
POPA, BOUND, PUSH and IMUL with immediates, INS, OUTS, shifts by an
immediate count, ENTER, LEAVE).
"""
import re
import subprocess
import sys

PREFIXES = {0x26, 0x2E, 0x36, 0x3E, 0xF0, 0xF2, 0xF3}
NEWER = {0x0F, 0xC0, 0xC1, 0xC8, 0xC9, 0xF1} | set(range(0x60, 0x70))
MOV_SEGMENT = {0x8C, 0x8E}  # ModRM reg 4 and 5 are FS and GS


def symbol(elf, name):
    out = subprocess.run(["nm", elf], check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[2] == name:
            return int(parts[0], 16)
    sys.exit(f"check_8086: {elf} has no symbol {name}")


def newer_than_8086(code):
    """Why the instruction bytes need a later processor, or None."""
    i = 0
    while i < len(code) and code[i] in PREFIXES:
        i += 1
    if i == len(code):
        return "prefixes only"
    op = code[i]
    if op in (0x64, 0x65, 0x66, 0x67):
        return "prefix %02Xh (386)" % op
    if op in NEWER:
        return "opcode %02Xh (80186 or later)" % op
    if op in MOV_SEGMENT and i + 1 < len(code) and (code[i + 1] >> 3) & 7 in (4, 5):
        return "FS or GS (386)"
    return None


def main():
    if len(sys.argv) not in (2, 4):
        sys.exit(__doc__)
    elf = sys.argv[1]
    first, last = sys.argv[2:4] if len(sys.argv) == 4 else ("_start", "_start_386")
    start, stop = symbol(elf, first), symbol(elf, last)
    if stop <= start:
        sys.exit(f"check_8086: {last} does not follow {first}")
    listing = subprocess.run(
        ["objdump", "-d", "-m", "i8086", "--insn-width=16", "-j", ".text",
         f"--start-address={start}", f"--stop-address={stop}", elf],
        check=True, capture_output=True, text=True).stdout
    count, faults = 0, []
    for line in listing.splitlines():
        m = re.match(r"^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(.*)$", line)
        if not m:
            continue
        count += 1
        code = bytes.fromhex(m.group(2))
        why = "not an instruction" if "(bad)" in m.group(3) else newer_than_8086(code)
        if why:
            faults.append(f"  {m.group(1)}: {m.group(3).strip()}: {why}")
    if faults:
        sys.exit(f"check_8086: {elf}: {first}..{last} must run on an 8086:\n" + "\n".join(faults))
    print(f"check_8086: {count} instructions from {first} to {last} are 8086 code")


if __name__ == "__main__":
    main()
