#!/usr/bin/env python3
"""Prints a scenario that takes a whole test in ARCHIVE: a screenshot of the
intro and of every item, the right answer to every item except the fourth
(answered wrong, which past the training items counts as a wrong answer).

    answer_scenario.py ARCHIVE
"""
import struct
import sys


def unpack(src, size):
    ring = bytearray(b" " * 4096)
    r, out, i = 4080, bytearray(), 0
    while i < len(src) and len(out) < size:
        flags = src[i]
        i += 1
        for bit in range(8):
            if flags & (1 << bit):
                if i >= len(src):
                    return bytes(out)
                ring[r] = src[i]
                out.append(src[i])
                i, r = i + 1, (r + 1) & 4095
            else:
                if i + 2 > len(src):
                    return bytes(out)
                p = src[i] | (src[i + 1] & 0xF0) << 4
                n = (src[i + 1] & 0x0F) + 3
                i += 2
                for _ in range(n):
                    ring[r] = ring[p]
                    out.append(ring[p])
                    p, r = (p + 1) & 4095, (r + 1) & 4095
    return bytes(out[:size])


def resource(data, name):
    count, _, offset = struct.unpack_from("<HHI", data, 4)
    for k in range(count):
        at, stored, unpacked, raw = struct.unpack_from("<IHH8s", data, offset + 16 * k)
        if raw.rstrip(b"\0").lower() == name.lower():
            blob = data[at:at + stored]
            return unpack(blob, unpacked) if unpacked else blob
    sys.exit(f"no {name!r} in the archive")


def main():
    table = resource(open(sys.argv[1], "rb").read(), b"TESTINFO")
    count, pos, lines = struct.unpack_from("<H", table)[0], 2, ["shot", "key space"]
    for i in range(count):
        answer, text_length, mask = struct.unpack_from("<BBH", table, pos)
        pos += 12 + text_length
        options = bin(mask & 0x1FF).count("1")
        digit = answer
        if i == 3 and options > 1:
            digit = answer % options + 1  # a wrong one
        lines += ["shot", f"key {digit}", "key enter"]
    print("\n".join(lines))


if __name__ == "__main__":
    main()
