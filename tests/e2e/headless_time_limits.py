#!/usr/bin/env python3
"""Time limits end to end on the headless tool, whose simulated clock makes
the time-outs exact: the test's limit ends the test on the item on the
screen (time_up, session_end time_limit, the items not reached unmarked in
the result file), an item's limit closes that item unanswered
(item_timeout) and the test goes on, a resumed session keeps the time it
had used, /T: sets the limit of an archive without settings, the remaining
time is drawn at the panel's foot and nowhere else, and limits out of range
are refused (the archive's with the resources message, /T:'s as a bad
option).

    headless_time_limits.py HEADLESS
"""
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import headless_session  # noqa: E402
import journal_check  # noqa: E402

SCREEN_HEADER, WIDTH_BYTES = 62, 80


def events(work, name="S0000001.CSV"):
    rows, cut = journal_check.read(os.path.join(work, name))
    assert not cut
    journal_check.validate(name, rows, ended=True)
    return rows


def marks(work):
    lines = headless_session.read(work, "RESULT-W.TXT").decode("cp1251").split("\r\n")
    return "".join(l[0] for l in lines if "| Item" in l), lines[-2]


def main():
    headless = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        def make(*options):
            return headless_session.make_archive(work, "--items", "5", *options)

        def run(keys_text, *options, check=0):
            return headless_session.run(headless, work, keys_text, *options, check=check)

        def clean():
            for n in os.listdir(work):
                if n != "MERIDOKA.WDL":
                    os.remove(os.path.join(work, n))

        # the test's limit (1 minute from the first item) runs out on item 2
        answers = make("--test-minutes", "1")
        keys = headless_session.answer_keys(answers)
        run("key space\n" + keys[0] + "wait 59000\nkey %s\nwait 5000\nkey enter\n" % answers[1])
        rows = events(work)
        shown = int(rows[1]["ms"])
        assert [r["event"] for r in rows[-3:]] == ["answer_previewed", "time_up", "session_end"], rows[-3:]
        assert rows[-2]["item"] == "2" and int(rows[-2]["ms"]) == shown + 60000, rows[-2]
        end = rows[-1]
        assert (end["ended_by"], end["answered"], end["right_total"], end["wrong_total"]) == ("time_limit", "1", "1", "0")
        assert marks(work) == ("+    ", "Total: 1(+) 0(-) (1/5)"), marks(work)
        clean()

        # an item's limit (10 s): item 2 closes unanswered, the test goes on and completes
        make("--item-seconds", "10")
        run("key space\n" + keys[0] + "wait 15000\n" + "".join(keys[2:]))
        rows = events(work)
        timeout = [r for r in rows if r["event"] == "item_timeout"]
        shown2 = [int(r["ms"]) for r in rows if r["event"] == "item_shown" and r["item"] == "2"]
        assert len(timeout) == 1 and timeout[0]["item"] == "2" and int(timeout[0]["ms"]) == shown2[0] + 10000
        end = rows[-1]
        assert (end["ended_by"], end["answered"], end["right_total"]) == ("completed", "4", "4"), end
        assert marks(work) == ("+ +++", "Total: 4(+) 0(-) (4/5)"), marks(work)
        clean()

        # resumed across the limit: 40 s used before the power went (to the journal's last row), 20 s left after it
        make("--test-minutes", "1")
        run("key space\n" + keys[0] + "wait 40000\nkey 3\nwait 100\nkey 4\nclose\n")  # a withdrawn preview at 40.35 s
        journal = headless_session.read(work, "S0000001.CSV")
        journal = journal[:journal.rindex(b"\r\n", 0, len(journal) - 2) + 2]  # its session_end row cut: a power cut
        with open(os.path.join(work, "S0000001.CSV"), "wb") as f:
            f.write(journal)
        before = journal_check.read(os.path.join(work, "S0000001.CSV"))[0]
        used = int(before[-1]["ms"]) - int(before[1]["ms"])
        run(keys[1] + "wait 30000\n", "/R:S0000001.CSV")
        rows = events(work)
        up = [r for r in rows if r["event"] == "time_up"]
        assert len(up) == 1 and int(up[0]["ms"]) == int(before[1]["ms"]) + 60000 and up[0]["item"] == "3", up
        assert used > 40000 and rows[-1]["ended_by"] == "time_limit" and rows[-1]["answered"] == "2", rows[-1]
        # nothing left to resume: refused as ended
        assert "the session has ended" in run("", "/R:S0000001.CSV", check=4)
        clean()

        # /T: gives an archive without settings a limit, and overrides the archive's
        make()
        run("key space\n" + keys[0] + "wait 200000\n", "/T:2")
        rows = events(work)
        assert rows[-2]["event"] == "time_up" and int(rows[-2]["ms"]) == int(rows[1]["ms"]) + 120000, rows[-2]
        clean()
        make("--test-minutes", "600")
        run("key space\n" + keys[0] + "wait 200000\n", "/T:1")
        assert events(work)[-1]["ended_by"] == "time_limit"
        clean()
        for bad in ("/T:0", "/T:601", "/T:x"):
            assert "bad option " + bad in run("", bad, check=4)

        # the remaining time: only the band at the panel's foot differs from the same screen without it
        make("--item-seconds", "90", "--show-time")
        run("key space\nwait 1500\nshot\n")
        timed = headless_session.read(work, "00000001.bmp")
        clean()
        make("--item-seconds", "3600")
        run("key space\nwait 1500\nshot\n")
        plain = headless_session.read(work, "00000001.bmp")
        clean()
        changed = {(i - SCREEN_HEADER) // WIDTH_BYTES for i in range(SCREEN_HEADER, len(plain)) if plain[i] != timed[i]}
        columns = {(i - SCREEN_HEADER) % WIDTH_BYTES for i in range(SCREEN_HEADER, len(plain)) if plain[i] != timed[i]}
        assert changed and min(changed) >= 420 and max(changed) < 428 and min(columns) * 8 > 360, (changed, columns)

        # limits out of range in the archive: the resources message, no session
        for record in ("1400010003030000000000000000000059020000",    # 601 minutes
                       "1400010003030000000000000000000000000011"):   # 4352 seconds
            make("--settings-hex", record)
            assert "error reading resources" in run("key space\n", check=1)
        assert not [n for n in os.listdir(work) if n.endswith(".CSV")]
    print("headless time limits: test limit, item limit, resume, /T:, remaining time, bad limits: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
