#!/usr/bin/env python3
"""The DOS program's journal against the headless tool's for the same keys.

    journal_same.py DOS.CSV HEADLESS.CSV [--times MS]

As tests/e2e/journal_check.py `same` (times, clocks and the build aside),
except where the platforms differ: a key without a character (F1, F12)
reaches the DOS program as "no key", so its preview_withdrawn row names
key 0 where the headless tool names the scan code; and a scenario that runs
out is a closed window to the headless tool but Esc to the DOS program,
which has no window (the key feeder gives Esc). Both journals must also
pass `check`. With --times, the response times (rt_ms, first_digit_ms)
must also be the headless tool's within MS milliseconds (its clock moves by
the scenario's `wait` steps, which the key feeder waits in real time), and
the ms column must not move in the BIOS clock's 55 ms steps.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import journal_check  # noqa: E402
from scenario_keys import CHARS  # noqa: E402


def times(dos, ref, tolerance):
    for n, (x, y) in enumerate(zip(dos, ref), 2):
        for column in ("rt_ms", "first_digit_ms"):
            if x[column] and abs(int(x[column]) - int(y[column])) > tolerance:
                raise journal_check.Bad("line %d: %s %s, the headless tool's %s" % (n, column, x[column], y[column]))
    if all(int(r["ms"]) % 55 == 0 for r in dos):
        raise journal_check.Bad("every ms is a multiple of 55: the clock is the BIOS tick alone")


def main():
    if len(sys.argv) not in (3, 5) or (len(sys.argv) == 5 and sys.argv[3] != "--times"):
        sys.exit(__doc__)
    try:
        dos, cut_dos = journal_check.read(sys.argv[1])
        ref, cut_ref = journal_check.read(sys.argv[2])
        if cut_dos or cut_ref:
            raise journal_check.Bad("a cut last row")
        journal_check.validate(sys.argv[1], dos)
        for r in ref:
            if r["key"] and int(r["key"]) not in CHARS:
                r["key"] = "0"
            if r["ended_by"] == "closed":
                r["ended_by"] = "esc"
        for n, (x, y) in enumerate(zip(journal_check.skeleton(dos), journal_check.skeleton(ref)), 2):
            if x != y:
                raise journal_check.Bad("line %d: %s" % (n, {k: (x[k], y[k]) for k in x if x[k] != y[k]}))
        if len(dos) != len(ref):
            raise journal_check.Bad("%d rows, the headless tool's %d" % (len(dos), len(ref)))
        if len(sys.argv) == 5:
            times(dos, ref, int(sys.argv[4]))
    except journal_check.Bad as e:
        sys.exit("journal: %s" % e)


if __name__ == "__main__":
    main()
