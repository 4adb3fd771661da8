#!/usr/bin/env python3
"""Writes archives at and beyond the DOS build's limits into DIR.

    limit_archives.py DIR

big-directory.wdl  5,000 directory entries (80,000 bytes, more than one heap
                   block could hold): loads, the directory read in pieces
wide-directory.wdl 3,000 directory entries (48,000 bytes): still loads
big-table.wdl      an item count of 65,535 over two records: the item array
                   is more than one heap block can hold
many-items.wdl     1,000 items (12,000-byte item array): still loads
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
import make_test_archive as m  # noqa: E402

MESSAGES = m.messages([b"Heading", b"Press 1-9, then Enter", b"Wrong, try again",
                       b"Results", b"Total:", b"Press any key"])


def item(i):
    return {"index": i, "name": b"IT%03d" % (i % 1000), "mask": 0x1FF, "empty": i % 9 + 1,
            "answer": 1, "text": b"Item %d" % (i + 1)}


def write(path, entries):
    with open(path, "wb") as f:
        f.write(m.archive(entries, False))


def base(items, table=None):
    first = items[0]
    return [(b"TESTINFO", table or m.table(items)), (b"DOS8X8RU", m.font()),
            (b"MESSAGES", MESSAGES), (b"IT0000", m.picture(first, False)),
            (b"IT0001", m.picture(first, True))]


def main():
    out = sys.argv[1]
    two = [item(0), item(1)]
    fillers = lambda n: [(b"X%07d" % k, b"\0") for k in range(n)]  # noqa: E731
    write(os.path.join(out, "big-directory.wdl"), base(two) + fillers(5000 - 5))
    write(os.path.join(out, "wide-directory.wdl"), base(two) + fillers(3000 - 5))
    table = struct.pack("<H", 65535) + m.table(two)[2:]
    write(os.path.join(out, "big-table.wdl"), base(two, table))
    write(os.path.join(out, "many-items.wdl"), base([item(i) for i in range(1000)]))


if __name__ == "__main__":
    main()
