#!/usr/bin/env python3
"""Writes a small seed corpus for each fuzz target.

    make_seeds.py DIR     creates DIR/lzss, DIR/res_load, DIR/tables, DIR/graphics, DIR/journal, DIR/options, DIR/settings
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from make_test_archive import literal_pack as literal_stream, messages  # noqa: E402


def archive(entries):
    """entries: (name, stored bytes, unpacked size or 0)."""
    out = bytearray(b"WDLZ" + struct.pack("<HHI", len(entries), 0, 12))
    offset = 12 + 16 * len(entries)
    for name, stored, unpacked in entries:
        out += struct.pack("<IHH", offset, len(stored), unpacked) + name.encode()[:8].ljust(8, b"\0")
        offset += len(stored)
    for _, stored, _ in entries:
        out += stored
    return bytes(out)


def table(items):
    out = bytearray(struct.pack("<H", len(items)))
    for answer, mask, name, text in items:
        out += struct.pack("<BBH", answer, len(text) + 1, mask) + name.encode().ljust(8, b"\0") + text + b"\0"
    return bytes(out)


def picture(width, height, seed):
    stride = ((width + 7) // 8 + 3) & ~3
    header = bytearray(62)
    header[0:2] = b"BM"
    struct.pack_into("<HxxH", header, 18, width, height)
    rows = bytes((seed + i * 37) & 0xFF for i in range(stride * height))
    return bytes(header) + rows


def font():
    return bytes(((c * 29 + r * 71) ^ (c >> 3)) & 0xFF for c in range(256) for r in range(8))


TABLE = table([(1, 0x51FF, "ITEM1", b"first item"), (2, 0x5111, "ITEM2", b"two\nlines"),
               (3, 0x10FF, "ITEM3", b"")])
MESSAGES = messages([b"Heading", b"Hint line", b"", b"Results", b"Total", b"Press a key"])


def seeds_lzss():
    yield struct.pack("<H", 6) + bytes([0x03, 0x41, 0x42, 0xF0, 0xF1])
    yield struct.pack("<H", 6) + bytes([0x01, 0x41, 0xF0, 0xF2])
    yield struct.pack("<H", 3) + bytes([0x00, 0x00, 0x00])
    yield struct.pack("<H", 8) + bytes([0x03, 0x41, 0x42, 0xF0])
    yield struct.pack("<H", 300) + literal_stream(b"Some text, some text, some more text.\n" * 3)


def seeds_res_load():
    yield b"\0" + archive([("MESSAGES", b"abcde", 0)])
    yield b"\x03" + archive([("TESTINFO", TABLE, 0), ("MESSAGES", literal_stream(MESSAGES), len(MESSAGES)),
                             ("DOS8X8RU", literal_stream(font()[:512]), 512)])
    yield b"\x05" + archive([("ITEM10", picture(40, 6, 1), 0), ("item10", b"x", 0), ("ITEM101", b"", 0)])
    yield b"\0" + b"WDLz" + bytes(12)


def seeds_tables():
    yield b"\x00" + TABLE
    yield b"\x02" + TABLE
    yield b"\x0c" + TABLE
    yield b"\x01" + MESSAGES
    yield b"\x01" + bytes([2, 0, 3, 0, 0x41, 0x42, 0, 1, 0, 0])


def op_font(data):
    return bytes([6]) + struct.pack("<H", len(data)) + data


def xy(x, y):
    return struct.pack("<hh", x, y)


def seeds_graphics():
    f = op_font(font())
    yield f + bytes([0, 1]) + bytes([7]) + xy(100, 50) + bytes([3, 3]) + b"abc"
    yield f + bytes([8]) + xy(10, 40) + struct.pack("<h", 100) + bytes([0, 7]) + b"ab\ncdef"
    yield f + bytes([8]) + xy(636, 470) + struct.pack("<h", -1) + bytes([0, 5]) + b"a\n\nb\r"
    pic = picture(112, 50, 5)
    yield bytes([9]) + xy(13, 20) + struct.pack("<H", len(pic)) + pic
    yield bytes([9]) + xy(-20, 470) + struct.pack("<H", len(pic) - 100) + pic[:-100]
    yield bytes([10]) + xy(8, 10) + struct.pack("<HH", 112, 50) + bytes([10]) + xy(-9, -3) + struct.pack("<HH", 33, 9)
    yield bytes([0, 1, 3]) + xy(0, 0) + xy(4, 2) + bytes([4]) + xy(10, 10) + xy(12, 10) + bytes([5]) + xy(0, 20) + xy(639, 10)
    yield bytes([11, 1, 2]) + xy(5, 5) + bytes([11, 2]) + xy(639, 479)


JOURNAL_HEADER = (b"\xef\xbb\xbfsession,participant,event,ms,local_time,item,digit,cell,correct_cell,right,"
                  b"rt_ms,first_digit_ms,key,item_text,program,version,build,archive_bytes,archive_crc32,items,"
                  b"clock,clock_resolution_us,ended_by,right_total,wrong_total,answered,note\r\n")


def journal_row(event, ms, **fields):
    columns = [b""] * 27
    columns[0], columns[1], columns[2], columns[3] = b"0123456789abcdef", b'"P,""1"', event, b"%d" % ms
    columns[4] = b"2026-12-08T10:15:02"
    names = {"item": 5, "digit": 6, "cell": 7, "right": 9, "crc": 18, "text": 13}
    for name, value in fields.items():
        columns[names[name]] = value
    return b",".join(columns) + b"\r\n"


def seeds_journal():
    start = journal_row(b"session_start", 0, crc=b"3ab0c4d1")
    shown = journal_row(b"item_shown", 10, item=b"1", text=b'"a,\r\nb"')
    confirmed = journal_row(b"answer_confirmed", 20, item=b"1", digit=b"2", cell=b"3", right=b"1")
    yield JOURNAL_HEADER + start + shown + confirmed
    yield JOURNAL_HEADER + start + shown + confirmed[:40]
    yield JOURNAL_HEADER + start + journal_row(b"session_end", 30)
    yield JOURNAL_HEADER[3:] + start


def seeds_options():
    yield b"/P:P017 /R"
    yield b'"/R:dir name/S0000001.CSV" /p:"a""b"'
    yield b"/? /X"


def settings(ask=2, length=12, classes=3, marks=b"-.", resume=1, show=0, minutes=0, seconds=0):
    return struct.pack("<HBBBB", 20, 1, ask, length, classes) + marks.ljust(8, b"\0") + \
        struct.pack("<BBHH", resume, show, minutes, seconds)


def seeds_settings():
    yield b"\0" + settings()
    yield b"\1" + settings(ask=1, classes=0, marks=b"-=[];'`\\", minutes=600, seconds=3600)
    yield b"\0" + settings(classes=0, marks=b"")
    yield b"\0" + settings(marks=b"-\0.")
    yield b"\0" + settings()[:19]


def main():
    root = sys.argv[1]
    for name, gen in (("lzss", seeds_lzss), ("res_load", seeds_res_load), ("tables", seeds_tables),
                      ("graphics", seeds_graphics), ("journal", seeds_journal), ("options", seeds_options),
                      ("settings", seeds_settings)):
        d = os.path.join(root, name)
        os.makedirs(d, exist_ok=True)
        for i, seed in enumerate(gen()):
            with open(os.path.join(d, "seed%02d" % i), "wb") as out:
                out.write(seed)


if __name__ == "__main__":
    main()
