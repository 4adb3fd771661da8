#!/usr/bin/env python3
"""Writes a copy of the DOS program whose processor check (dos/start.S)
takes the processor it runs on for an 8086 or an 80286, since DOSBox
emulates neither: the program must then end with the processor message.

    old_cpu.py 8086|286 MERIDOKA.EXE OUT.EXE

8086: FLAGS bits 12-15 read back as compared with 0 instead of F000h after
clearing them (a 386 clears them: "stuck at 1" is seen). 286: the bits read
back after setting them are tested against 0 instead of F000h (nothing is
seen set).
"""
import sys

PATCHES = {
    # and ax, 0F000h; cmp ax, 0F000h; je
    "8086": (bytes.fromhex("2500f03d00f074"), bytes.fromhex("2500f03d000074")),
    # test cx, 0F000h; jnz
    "286": (bytes.fromhex("f7c100f075"), bytes.fromhex("f7c1000075")),
}


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in PATCHES:
        sys.exit(__doc__)
    old, new = PATCHES[sys.argv[1]]
    with open(sys.argv[2], "rb") as f:
        exe = f.read()
    if exe.count(old) != 1:
        sys.exit(f"old_cpu: the processor check's {sys.argv[1]} test is not in {sys.argv[2]} exactly once")
    with open(sys.argv[3], "wb") as f:
        f.write(exe.replace(old, new))


if __name__ == "__main__":
    main()
