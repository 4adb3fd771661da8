#!/usr/bin/env python3
"""Turns a scenario script (tests/SCENARIOS.md) into KEYS.BIN for KEYFEED.COM.

    scenario_keys.py SCENARIO KEYS.BIN [--dump-data-last] [--polled]

key K -> 'K' (seen only by a read that finds nothing waiting), busy K -> 'B'
(typed ahead: a peek sees it at once), shot -> 'S' (screen dump, then F12,
which the DOS build reads as "no key"), close -> the script ends there (every
later read gives Esc, as a closed window does). --dump-data-last puts a 'D'
(dump of the program's data segment) before the last key entry.

wait N -> 'W': the feeder lets N ms pass (in 55 ms ticks of the BIOS clock)
before it looks at the next entry.

--polled, for a test with time limits (its key wait polls until a deadline):
key K -> 'P' (seen by the second peek that meets it, and by a read), wait N
-> 'V' (runs while the program peeks).

For DOS scenarios only (--reference writes what the headless tool takes
instead: the key Esc for a break, nothing for halt):
  key ctrl-break, busy ctrl-break   Ctrl+Break as the BIOS delivers it
  key ctrl-c, busy ctrl-c           the key Ctrl+C
  dos-ctrl-c                        DOS found Ctrl+C during a call (INT 23h)
  halt                              the feeder writes HALT0001.TXT and stops
                                    the PC at the next read (kill tests)

    scenario_keys.py --reference SCENARIO OUT.SCN
"""
import re
import struct
import sys

NAMES = {"0": 11, "esc": 1, "enter": 28, "space": 57, "f1": 59, "f12": 88, "backspace": 14}
# scan code, character code, flags (1: a Ctrl+Break as the BIOS delivers it)
BREAKS = {"ctrl-break": (0, 0, 1), "ctrl-c": (0x2E, 0x03, 0)}

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
    for scan, char in CHARS.items():  # a letter or mark: its key
        if len(name) == 1 and scan not in (1, 14, 15, 28, 57) and char == ord(name.lower()):
            return scan
    m = re.fullmatch(r"#(\d+)", name)
    if m and 1 <= int(m.group(1)) <= 127:
        return int(m.group(1))
    sys.exit(f"line {number}: unknown key '{name}'")


def parse(text, polled=False):
    entries = []
    for number, line in enumerate(text.splitlines(), 1):
        line = re.sub(r"#(?!\d).*", "", line)  # '#N' is a key, any other '#' a comment
        words = line.split()
        if not words:
            continue
        verb, args = words[0], words[1:]
        if verb in ("key", "busy") and len(args) == 1:
            kind = "K" if verb == "key" else "B"
            if args[0] in BREAKS:
                entries.append((kind,) + BREAKS[args[0]])
            else:
                code = scan_code(args[0], number)
                entries.append(("P" if polled and kind == "K" else kind, code, CHARS.get(code, 0), 0))
        elif verb == "dos-ctrl-c" and not args:
            entries.append(("C", 0, 0, 0))
        elif verb == "halt" and not args:
            entries.append(("H", 0, 0, 0))
        elif verb == "wait" and len(args) == 1 and args[0].isdigit():
            ticks = min(round(int(args[0]) * 1193182 / 65536 / 1000), 0x7FFF)
            entries.append(("V" if polled else "W", ticks & 0xFF, ticks >> 8, 0))
        elif verb == "shot" and not args:
            entries.append(("S", 0, 0, 0))
        elif verb == "close" and not args:
            break
        else:
            sys.exit(f"line {number}: cannot read '{line.strip()}'")
    return entries


def reference(text):
    """The scenario with every break as the key Esc."""
    out = []
    for line in text.splitlines():
        words = re.sub(r"#(?!\d).*", "", line).split()
        if words[:1] == ["dos-ctrl-c"] or (len(words) == 2 and words[1] in BREAKS):
            line = "key esc"
        elif words[:1] == ["halt"]:
            continue
        out.append(line)
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--reference":
        with open(sys.argv[2]) as f, open(sys.argv[3], "w") as out:
            out.write(reference(f.read()))
        return
    flags = sys.argv[3:]
    if len(sys.argv) < 3 or any(f not in ("--dump-data-last", "--polled") for f in flags):
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        entries = parse(f.read(), "--polled" in flags)
    if "--dump-data-last" in flags:
        last = max((i for i, e in enumerate(entries) if e[0] in "KP"), default=len(entries))
        entries.insert(last, ("D", 0, 0, 0))
    with open(sys.argv[2], "wb") as f:
        for kind, scan, char, flags in entries:
            f.write(struct.pack("<cBBB", kind.encode(), scan, char, flags))


if __name__ == "__main__":
    main()
