#!/usr/bin/env python3
"""The headless tool's command line end to end: the program's options after
the scenario (the long forms too), a fixed session ID and start time, and a
session cut short, resumed with /R, ending with the uninterrupted result;
the one version (the project line) in the journal, the usage and --version.

    headless_resume.py HEADLESS
"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
import headless_session  # noqa: E402
import journal_check  # noqa: E402


def main():
    headless = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        answers = headless_session.make_archive(work, "--items", "4")
        keys = headless_session.answer_keys(answers)

        def run(keys_text, *options, check=0):
            return headless_session.run(headless, work, keys_text, *options, check=check)

        def read(name):
            return headless_session.read(work, name)

        run("key space\n" + "".join(keys), "--participant", "P,1")
        expected = read("RESULT-W.TXT")
        rows, _ = journal_check.read(os.path.join(work, "S0000001.CSV"))
        assert (rows[0]["session"], rows[0]["participant"], rows[0]["local_time"], rows[0]["build"]) == \
            ("00112233aabbccdd", "P,1", "2026-01-02T03:04:05", "headless"), rows[0]
        assert [r["rt_ms"] for r in rows if r["event"] == "answer_confirmed"] == ["250"] * 4
        version = subprocess.run([os.path.join(ROOT, "scripts", "version.sh")], check=True,
                                 stdout=subprocess.PIPE, text=True).stdout.strip()
        assert rows[0]["version"] == version, (rows[0]["version"], version)

        # cut after the second answer, in the middle of the row after it
        text = read("S0000001.CSV")
        second = text.index(b"answer_confirmed", text.index(b"answer_confirmed") + 1)
        end = text.index(b"\r\n", second) + 2
        with open(os.path.join(work, "S0000001.CSV"), "wb") as f:
            f.write(text[:end + 20])
        os.remove(os.path.join(work, "RESULT-W.TXT"))
        run("".join(keys[2:]), "/P:P,1", "/R")
        assert read("RESULT-W.TXT") == expected, "the resumed result file differs"
        rows, cut = journal_check.read(os.path.join(work, "S0000001.CSV"))
        journal_check.validate("S0000001.CSV", rows, ended=True)
        notes = [r["note"] for r in rows if r["event"] == "session_interrupted"]
        assert notes == ["dropped a cut last row of 20 bytes"] and not cut, notes

        assert run("", "--help").startswith("MERIDOKA %s [/P:ID]" % version)
        assert subprocess.run([headless, "--version"], check=True, stdout=subprocess.PIPE,
                              text=True).stdout == "meridoka-headless %s\n" % version
        assert "Error: bad option /X" in run("", "/X", check=4)
        assert "Error: cannot resume" in run("", "/R", check=4)  # the session has ended
        long_id = "P" * 33
        assert "Error: bad option /P:%s\n" % long_id in run("", "/P:" + long_id, check=4), "the refused ID whole"
        assert "Error: bad option /R:%s...\n" % ("x" * 33) in run("", "/R:" + "x" * 80, check=4), "cut, and says so"

        # a slow disk: every commit takes 590 ms while the person goes on
        # typing; an Enter 300 ms after the digit confirms it
        slow = os.path.join(work, "slow")
        os.mkdir(slow)
        with open(os.path.join(work, "MERIDOKA.WDL"), "rb") as f, open(os.path.join(slow, "MERIDOKA.WDL"), "wb") as g:
            g.write(f.read())
        with open(os.path.join(slow, "keys.scn"), "w") as f:
            f.write("wait 1000\nkey space\n" + "".join("wait 1000\nkey %s\nwait 300\nkey enter\n" % a for a in answers))
        subprocess.run([headless, "--dir", slow, "--commit-ms", "590", os.path.join(slow, "keys.scn")], check=True)
        rows, _ = journal_check.read(os.path.join(slow, "S0000001.CSV"))
        events = [(r["event"], int(r["ms"])) for r in rows if r["event"].startswith(("answer", "preview"))]
        assert [e for e, _ in events] == ["answer_previewed", "answer_confirmed"] * len(answers), events
        assert all(b - a == 300 for (_, a), (_, b) in zip(events[::2], events[1::2])), events
        with open(os.path.join(slow, "RESULT-W.TXT"), "rb") as f:
            assert f.read() == expected, "a slow disk changed the answers"

        # a key pressed while busy withdraws a preview at its own moment,
        # not at the next key's
        busy = "key space\nkey %s\nwait 500\nbusy 5\nwait 700\n" % answers[0] + keys[0]
        run(busy + "".join(keys[1:]), "/P:busy")
        rows, _ = journal_check.read(os.path.join(work, "S0000002.CSV"))
        ms = {r["event"]: int(r["ms"]) for r in reversed(rows)}  # each event's first row
        assert ms["preview_withdrawn"] - ms["answer_previewed"] == 500, rows
    print("headless command line: options, fixed session, cut and resumed, a slow disk: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
