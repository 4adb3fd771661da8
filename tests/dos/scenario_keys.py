#!/usr/bin/env python3
"""Turns a scenario script (tests/SCENARIOS.md) into KEYS.BIN for KEYFEED.COM.

    scenario_keys.py SCENARIO KEYS.BIN [--dump-data-last]

key K -> 'K' (seen only by a read that finds nothing waiting), busy K -> 'B'
(typed ahead: a peek sees it at once), shot -> 'S' (screen dump, then F12,
which the DOS build reads as "no key"), close -> the script ends there (every
later read gives Esc, as a closed window does). --dump-data-last puts a 'D'
(dump of the program's data segment) before the last key entry.
"""
import re
import struct
import sys

NAMES = {"0": 11, "esc": 1, "enter": 28, "space": 57, "f1": 59, "f12": 88, "a": 30}

# character codes of the US layout for scan codes set 1, unshifted
CHARS = {1: 0x1B, 14: 0x08, 15: 0x09, 28: 0x0D, 57: 0x20}
for row, first in (("1234567890-=", 2), ("qwertyuiop[]", 16), ("asdfghjkl;'`", 30),
                   ("\\zxcvbnm,./", 43)):
    for i, ch in enumerate(row):
        CHARS[first + i] = ord(ch)


def scan_code(name, number):
    if len(name) == 1 and "1" <= name <= "9":
        return ord(name) - ord("0") + 1
    if name in NAMES:
        return NAMES[name]
    m = re.fullmatch(r"#(\d+)", name)
    if m and 1 <= int(m.group(1)) <= 127:
        return int(m.group(1))
    sys.exit(f"line {number}: unknown key '{name}'")


def parse(text):
    entries = []
    for number, line in enumerate(text.splitlines(), 1):
        line = re.sub(r"#(?!\d).*", "", line)  # '#N' is a key, any other '#' a comment
        words = line.split()
        if not words:
            continue
        verb, args = words[0], words[1:]
        if verb in ("key", "busy") and len(args) == 1:
            code = scan_code(args[0], number)
            entries.append(("K" if verb == "key" else "B", code, CHARS.get(code, 0)))
        elif verb == "shot" and not args:
            entries.append(("S", 0, 0))
        elif verb == "close" and not args:
            break
        else:
            sys.exit(f"line {number}: cannot read '{line.strip()}'")
    return entries


def main():
    if len(sys.argv) not in (3, 4) or (len(sys.argv) == 4 and sys.argv[3] != "--dump-data-last"):
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        entries = parse(f.read())
    if len(sys.argv) == 4:
        last = max((i for i, e in enumerate(entries) if e[0] == "K"), default=len(entries))
        entries.insert(last, ("D", 0, 0))
    with open(sys.argv[2], "wb") as f:
        for kind, scan, char in entries:
            f.write(struct.pack("<cBBx", kind.encode(), scan, char))


if __name__ == "__main__":
    main()
