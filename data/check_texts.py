#!/usr/bin/env python3
"""Checks that every text of a sample fits where the test screens draw it
and can be written in CP866.

    check_texts.py SOURCE_DIR...
"""
import json
import os
import sys

FONT_W = 8


def fail(msg):
    print(msg)
    sys.exit(1)


def cp866(text, what):
    try:
        text.encode("cp866")
    except UnicodeEncodeError as e:
        fail(f"{what}: {text[e.start:e.end]!r} has no CP866 code")


def check(src):
    manifest = json.load(open(os.path.join(src, "test.json"), encoding="utf-8"))
    # instruction: from x 16, y 16, 9 rows a line (8 after an empty one),
    # must end above message 5 at y 455 (and leave a gap: last row < 447)
    lines = open(os.path.join(src, manifest["instruction"]), encoding="utf-8").read().rstrip("\n").split("\n")
    y = 16
    for n, line in enumerate(lines, 1):
        cp866(line, f"instruction line {n}")
        if 16 + FONT_W * len(line) > 640:
            fail(f"instruction line {n} runs past the right edge ({len(line)} characters)")
        if line:
            if y + 8 > 447:
                fail(f"instruction line {n} at y {y} runs into the bottom line")
            y += 9
        else:
            y += 8
    msgs = open(os.path.join(src, manifest["messages"]), encoding="utf-8").read().rstrip("\n").split("\n")
    if len(msgs) != 12:
        fail(f"{len(msgs)} messages, want 12 (6 to 11: the ID screen and the resume offer)")
    limits = {0: (35, 1), 1: (78, 2), 2: (33, 1), 5: (80, 1)}  # characters a line, lines
    limits.update({i: (76, 1) for i in range(6, 12)})
    for i, msg in enumerate(msgs):
        cp866(msg, f"message {i}")
        parts = msg.split("\\n")
        if not msg:
            fail(f"message {i} is empty")
        if i in limits:
            width, count = limits[i]
            if len(parts) > count or max(len(p) for p in parts) > width:
                fail(f"message {i} does not fit: {msg!r}")
    for it in manifest["items"]:
        for part in it["text"].split("\n"):
            cp866(part, f"item {it['name']}")
            if len(part) > 35:
                fail(f"item {it['name']}: text line longer than 35 characters")
    print(f"{src}: texts fit")


for d in sys.argv[1:]:
    check(d)
