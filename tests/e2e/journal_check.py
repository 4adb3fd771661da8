#!/usr/bin/env python3
"""Reads and checks session journals (README, "Session journals") for the
end-to-end tests of every front end.

    journal_check.py check JOURNAL [--ended]   the journal is whole and sound
    journal_check.py same JOURNAL REFERENCE    the same session as REFERENCE's,
                                               times, clocks and build aside

`check` allows a cut last row (a program killed while writing), unless
--ended asks for a session that ended. Both exit 1 with the reason.
"""
import csv
import io
import sys

HEADER = ("session,participant,event,ms,local_time,item,digit,cell,correct_cell,right,rt_ms,"
          "first_digit_ms,key,item_text,program,version,build,archive_bytes,archive_crc32,items,clock,"
          "clock_resolution_us,ended_by,right_total,wrong_total,answered,note").split(",")
EVENTS = {"session_start", "item_shown", "answer_previewed", "preview_withdrawn", "answer_refused",
          "answer_confirmed", "session_interrupted", "session_resumed", "session_end", "time_up", "item_timeout"}
# what differs between two runs of the same keys: session, times, the build and its clock
VARYING = {"session", "ms", "local_time", "rt_ms", "first_digit_ms", "build", "clock",
           "clock_resolution_us", "note"}


class Bad(Exception):
    pass


def read(path):
    """(rows as dicts, bytes of a cut last row)."""
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"\xef\xbb\xbf"):
        raise Bad("%s: no UTF-8 byte-order mark" % path)
    whole = data.rfind(b"\r\n") + 2
    text = data[3:whole].decode("utf-8")
    rows = list(csv.reader(io.StringIO(text, newline="")))
    if not rows or rows[0] != HEADER:
        raise Bad("%s: the first line is not the journal's header" % path)
    out = []
    for n, row in enumerate(rows[1:], 2):
        if len(row) != len(HEADER):
            raise Bad("%s:%d: %d fields" % (path, n, len(row)))
        out.append(dict(zip(HEADER, row)))
    return out, len(data) - whole


def validate(path, rows, ended=False):
    if not rows or rows[0]["event"] != "session_start":
        raise Bad("%s: does not start with session_start" % path)
    answered, closed, last_ms = 0, 0, 0  # closed: answered or timed out
    for n, r in enumerate(rows, 2):
        where = "%s:%d: " % (path, n)
        if r["event"] not in EVENTS:
            raise Bad(where + "unknown event " + r["event"])
        if (r["session"], r["participant"]) != (rows[0]["session"], rows[0]["participant"]):
            raise Bad(where + "another session or participant")
        if int(r["ms"]) < last_ms:
            raise Bad(where + "ms goes back")
        last_ms = int(r["ms"])
        if r["event"] in ("answer_confirmed", "item_timeout"):
            answered += r["event"] == "answer_confirmed"
            closed += 1
            if int(r["item"]) != closed:
                raise Bad(where + "%s for item %s, expected %d" % (r["event"], r["item"], closed))
            if r["correct_cell"] and (r["right"] == "1") != (r["cell"] == r["correct_cell"]):
                raise Bad(where + "right disagrees with the cells")
        if r["event"] == "session_end" and n != len(rows) + 1:
            raise Bad(where + "rows after session_end")
        if r["event"] == "session_end" and int(r["answered"]) != answered:
            raise Bad(where + "session_end counts %s answers, the rows %d" % (r["answered"], answered))
    if ended and rows[-1]["event"] != "session_end":
        raise Bad("%s: the session did not end" % path)
    return answered


def skeleton(rows):
    return [{k: v for k, v in r.items() if k not in VARYING} for r in rows]


def same(path, reference):
    a, cut_a = read(path)
    b, cut_b = read(reference)
    if cut_a or cut_b:
        raise Bad("a cut last row")
    for n, (x, y) in enumerate(zip(skeleton(a), skeleton(b)), 2):
        if x != y:
            diff = {k: (x[k], y[k]) for k in x if x[k] != y[k]}
            raise Bad("%s:%d differs from %s: %s" % (path, n, reference, diff))
    if len(a) != len(b):
        raise Bad("%s has %d rows, %s %d" % (path, len(a), reference, len(b)))


def main():
    try:
        if len(sys.argv) >= 3 and sys.argv[1] == "check":
            rows, _ = read(sys.argv[2])
            validate(sys.argv[2], rows, ended="--ended" in sys.argv[3:])
        elif len(sys.argv) == 4 and sys.argv[1] == "same":
            same(sys.argv[2], sys.argv[3])
        else:
            print(__doc__, file=sys.stderr)
            return 64
    except Bad as e:
        print("journal: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
