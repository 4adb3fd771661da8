#!/usr/bin/env python3
"""Repacks every entry of an archive with LZSS back-references, so that the
DOS build's decoder meets matches and not only literals.

    lzss_pack.py IN.WDL OUT.WDL

Stream: a flag byte per 8 tokens, bit set = literal byte, clear = a match of
two bytes: 12-bit window position (low 8 bits, then high 4 bits in the top of
the second byte) and length - 3 in its low 4 bits. The window starts at 4080.
"""
import struct
import sys

WINDOW, START, MIN, MAX = 4096, 4080, 3, 18


def pack(data):
    out, tokens, flags = bytearray(), bytearray(), 0
    heads = {}
    count = 0
    i = 0
    while i < len(data):
        best_len, best_pos = 0, 0
        for j in reversed(heads.get(data[i:i + MIN], [])[-32:]):
            if i - j > WINDOW - MAX:
                break
            n = 0
            while n < MAX and i + n < len(data) and data[j + n] == data[i + n]:
                n += 1
            if n > best_len:
                best_len, best_pos = n, j
        if best_len >= MIN:
            p = (START + best_pos) % WINDOW
            tokens += bytes([p & 0xFF, (p >> 4) & 0xF0 | (best_len - MIN)])
            step = best_len
        else:
            flags |= 1 << count
            tokens.append(data[i])
            step = 1
        for k in range(i, i + step):
            heads.setdefault(data[k:k + MIN], []).append(k)
        i += step
        count += 1
        if count == 8:
            out.append(flags)
            out += tokens
            tokens, flags, count = bytearray(), 0, 0
    if count:
        out.append(flags)
        out += tokens
    return bytes(out)


def main():
    data = open(sys.argv[1], "rb").read()
    magic, count, _, offset = struct.unpack_from("<4sHHI", data)
    entries = []
    for k in range(count):
        at, stored, unpacked, name = struct.unpack_from("<IHH8s", data, offset + 16 * k)
        assert unpacked == 0, "the input must be stored plain"
        entries.append((name, data[at:at + stored]))
    directory, blobs, base = b"", b"", 12 + 16 * count
    for name, body in entries:
        packed = pack(body)
        directory += struct.pack("<IHH8s", base + len(blobs), len(packed), len(body), name)
        blobs += packed
    with open(sys.argv[2], "wb") as f:
        f.write(struct.pack("<4sHHI", magic, count, 0, 12) + directory + blobs)


if __name__ == "__main__":
    main()
