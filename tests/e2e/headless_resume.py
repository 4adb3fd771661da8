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
    print("headless command line: options, fixed session, cut and resumed: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
