#!/usr/bin/env python3
"""Writes a small synthetic test archive for end-to-end tests.

    make_test_archive.py OUT.WDL [--items N] [--no-intro] [--no-messages]
                         [--packed] [--f1-text] [--ask-id no|yes|required]
                         [--offer-resume] [--id-length N] [--id-marks MARKS]
                         [--settings-hex HEX] [--test-minutes N]
                         [--item-seconds N] [--show-time]

Items have patterned 352x190 one-bit pictures (each cell of the problem
picture shows its number as bars, the empty cell is blank), varied option
masks, answers and empty cells. The font is generated: every glyph is a
distinct pattern, so that text is visible and checkable pixel by pixel.
With --packed every entry is stored as a literal-only packed stream.
--ask-id and --offer-resume add the administration settings (ADMINSET;
the ID of letters, digits and MARKS), and so do the time limits
(--test-minutes, --item-seconds, --show-time: the remaining time shown);
--settings-hex stores HEX as that entry instead, as it is (a damaged one,
say).
"""
import argparse
import struct

CELL_W, CELL_H, PITCH_X, PITCH_Y = 112, 50, 120, 70
PIC_W, PIC_H = 352, 190

MASKS = [0x1FF, 0x111, 0x0FF, 0x1FF, 0x1F0, 0x07F, 0x1FF, 0x155]


def glyph(c):
    """A distinct 8x8 pattern per byte value; 0x20 is blank, 0xDB full."""
    if c == 0x20:
        return bytes(8)
    if c == 0xDB:
        return b"\xff" * 8
    return bytes([((c * 37 + r * 11) ^ (c >> 1)) & 0xFF | 0x81 if r in (0, 7) else
                  (0x80 | (c & 0x7F)) if r % 2 else (0x01 | (c << 1) & 0xFE)
                  for r in range(8)])


def font():
    return b"".join(glyph(c) for c in range(256))


def picture(item, answers):
    """One-bit 352x190 picture as a MonoBitmap (BMP headers, bottom-up rows)."""
    stride = ((PIC_W + 7) // 8 + 3) & ~3
    rows = [bytearray(b"\xff" * stride) for _ in range(PIC_H)]  # white

    def black(x, y):
        rows[y][x // 8] &= ~(0x80 >> (x % 8)) & 0xFF

    mask, empty = item["mask"], item["empty"] - 1
    for c in range(9):
        if answers and not mask & (1 << c):
            continue
        if not answers and c == empty:
            continue
        x0, y0 = PITCH_X * (c % 3), PITCH_Y * (c // 3)
        for x in range(x0, x0 + CELL_W):  # frame
            black(x, y0)
            black(x, y0 + CELL_H - 1)
        for y in range(y0, y0 + CELL_H):
            black(x0, y)
            black(x0 + CELL_W - 1, y)
        bars = (c + item["index"] + (3 if answers else 0)) % 9 + 1
        for b in range(bars):  # vertical bars, a count per cell, no two cells alike
            for y in range(y0 + 8, y0 + CELL_H - 8):
                for x in range(x0 + 8 + b * 12, x0 + 14 + b * 12):
                    black(x, y)
    data = b"".join(bytes(r) for r in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 62 + len(data), 0, 0, 62)
    info = struct.pack("<IiiHHIIiiII", 40, PIC_W, PIC_H, 1, 1, 0, len(data), 0, 0, 0, 0)
    return header + info + b"\x00\x00\x00\x00\xff\xff\xff\x00" + data


def table(items):
    out = struct.pack("<H", len(items))
    for it in items:
        text = it["text"] + b"\x00"
        out += struct.pack("<BBH8s", it["answer"], len(text), it["mask"] | it["empty"] << 12,
                           it["name"]) + text
    return out


def messages(texts):
    out = struct.pack("<H", len(texts))
    for t in texts:
        out += struct.pack("<H", len(t) + 1) + t + b"\x00"
    return out


def settings(ask, length, marks, resume, show_time=0, test_minutes=0, item_seconds=0):
    return struct.pack("<HBBBB8sBBHH", 20, 1, ask, length, 3, marks, resume, show_time, test_minutes, item_seconds)


def literal_pack(data):
    out = bytearray()
    for i in range(0, len(data), 8):
        chunk = data[i:i + 8]
        out.append((1 << len(chunk)) - 1)
        out += chunk
    return bytes(out)


def archive(entries, packed):
    directory, blobs, offset = b"", b"", 12 + 16 * len(entries)
    for name, data in entries:
        stored, unpacked = (literal_pack(data), len(data)) if packed else (data, 0)
        directory += struct.pack("<IHH8s", offset + len(blobs), len(stored), unpacked, name)
        blobs += stored
    return struct.pack("<4sHHI", b"WDLZ", len(entries), 0, 12) + directory + blobs


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--items", type=int, default=5)
    ap.add_argument("--no-intro", action="store_true")
    ap.add_argument("--no-messages", action="store_true")
    ap.add_argument("--packed", action="store_true")
    ap.add_argument("--f1-text", action="store_true", help="item texts hold CP866 byte 0xF1")
    ap.add_argument("--ask-id", choices=["no", "yes", "required"])
    ap.add_argument("--offer-resume", action="store_true")
    ap.add_argument("--id-length", type=int, default=12)
    ap.add_argument("--id-marks", default="-.")
    ap.add_argument("--settings-hex")
    ap.add_argument("--test-minutes", type=int, default=0)
    ap.add_argument("--item-seconds", type=int, default=0)
    ap.add_argument("--show-time", action="store_true")
    a = ap.parse_args()

    items = []
    for i in range(a.items):
        mask = MASKS[i % len(MASKS)]
        count = bin(mask).count("1")
        text = b"Item %d" % (i + 1)
        if a.f1_text:
            text += b" \xf1\xb0"
        if i % 4 == 2:
            text += b"\nsecond line"
        items.append({"index": i, "name": b"IT%03d" % i, "mask": mask, "empty": i % 9 + 1,
                      "answer": i % count + 1, "text": text})

    entries = [(b"TESTINFO", table(items)), (b"DOS8X8RU", font())]
    if not a.no_messages:
        entries.append((b"MESSAGES", messages([b"Heading", b"Press 1-9, then Enter",
                                               b"Wrong, try again", b"Results",
                                               b"Total:", b"Press any key"])))
    if not a.no_intro:
        entries.append((b"TESTTEXT", b"Instruction line one\nline two\n\nafter an empty line\x00"))
    if a.settings_hex is not None:
        entries.append((b"ADMINSET", bytes.fromhex(a.settings_hex)))
    elif a.ask_id or a.offer_resume or a.test_minutes or a.item_seconds or a.show_time:
        ask = ["no", "yes", "required"].index(a.ask_id or "no")
        entries.append((b"ADMINSET", settings(ask, a.id_length, a.id_marks.encode(), int(a.offer_resume),
                                              int(a.show_time), a.test_minutes, a.item_seconds)))
    for it in items:
        entries.append((it["name"] + b"0", picture(it, False)))
        entries.append((it["name"] + b"1", picture(it, True)))
    with open(a.out, "wb") as f:
        f.write(archive(entries, a.packed))
    # the right digit of every item, for scenario writers
    print(" ".join(str(it["answer"]) for it in items))


if __name__ == "__main__":
    main()
