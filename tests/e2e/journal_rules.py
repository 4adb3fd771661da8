#!/usr/bin/env python3
"""The session rules at their seam: the tricky journals
(tests/journals/make_tricky.py) judged by the runner's resume (the headless
tool with /R:FILE, then /R) and by the store's add (meridoka-report), each
as verdicts.json says; the page judges the same files in
web/tests/page.test.mjs.

    journal_rules.py HEADLESS REPORT
"""
import csv
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))


def main():
    headless, report = (os.path.abspath(p) for p in sys.argv[1:3])
    with tempfile.TemporaryDirectory() as work:
        archive = os.path.join(work, "MERIDOKA.WDL")
        answers = subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"), archive,
                                  "--items", "6"], check=True, stdout=subprocess.PIPE, text=True).stdout.split()
        with open(archive, "rb") as f:
            data = f.read()
        import zlib
        crc = "%08x" % (zlib.crc32(data) & 0xFFFFFFFF)
        journals = os.path.join(work, "journals")
        subprocess.run([sys.executable, os.path.join(ROOT, "tests", "journals", "make_tricky.py"), journals,
                        "--crc", crc, "--bytes", str(len(data)), "--answers", "".join(answers)], check=True)
        with open(os.path.join(journals, "verdicts.json")) as f:
            verdicts = json.load(f)
        names = sorted(verdicts)

        def resume(folder, options, keys=""):
            scenario = os.path.join(folder, "keys.scn")
            with open(scenario, "w") as f:
                f.write(keys)
            return subprocess.run([headless, "--dir", folder, scenario, *options], stderr=subprocess.PIPE,
                                  text=True)

        # the runner: each journal alone in a folder, resumed by name
        for name in names:
            v = verdicts[name]
            folder = os.path.join(work, "run-" + name)
            os.mkdir(folder)
            shutil.copy(archive, folder)
            shutil.copy(os.path.join(journals, name), folder)
            keys = "".join("key %s\nwait 300\nkey enter\n" % d for d in answers[v["answered"]:])
            done = resume(folder, ["/R:" + name], keys)
            want = {"open": (0, ""), "left": (4, "the session has ended"), "ended": (4, "the session has ended"),
                    "damaged": (4, "it is damaged")}[v["state"]]
            assert done.returncode == want[0] and want[1] in done.stderr, (name, v, done.returncode, done.stderr)
            if v["state"] == "open":
                with open(os.path.join(folder, "RESULT-W.TXT"), "rb") as f:
                    marks = f.read()
                # every item answered, right (but one whose own time ran out)
                assert marks.count(b"+") >= len(answers) - v.get("timeouts", 0), (name, marks)

        # /R: the highest unfinished journal of the participant is damaged: refused, named
        folder = os.path.join(work, "latest")
        os.mkdir(folder)
        shutil.copy(archive, folder)
        shutil.copy(os.path.join(journals, "S0000001.CSV"), folder)
        shutil.copy(os.path.join(journals, "S0000008.CSV"), folder)
        done = resume(folder, ["/P:P1", "/R"], "key enter\n")
        assert done.returncode == 4 and "S0000008.CSV: it is damaged" in done.stderr, (done.returncode, done.stderr)

        # the store: each journal added; the damaged ones refused, the rest kept once
        store = os.path.join(work, "results.db")
        for name in names:
            done = subprocess.run([report, "add", store, os.path.join(journals, name)], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True)
            damaged = verdicts[name]["state"] == "damaged"
            assert (done.returncode != 0) == damaged, (name, done.returncode, done.stderr)
        tables = os.path.join(work, "tables")
        subprocess.run([report, "csv", store, "-o", tables], check=True, stdout=subprocess.PIPE)
        with open(os.path.join(tables, "sessions.csv"), encoding="utf-8-sig", newline="") as f:
            sessions = {r["file"].rsplit("/", 1)[-1]: r for r in csv.DictReader(f)}
        for name in names:
            v = verdicts[name]
            if v["state"] == "damaged" or name == "S0000009.CSV":
                assert name not in sessions, (name, sessions.keys())
                continue
            s = sessions[name]
            ended_by = v.get("ended_by") or {"open": "unfinished", "left": "closed", "ended": "completed"}[v["state"]]
            answered = v["answered"] - v.get("timeouts", 0)
            assert (s["ended_by"], int(s["answered"])) == (ended_by, answered), (name, v, s)
            assert int(s["not_reached"]) == v.get("timeouts", 0) + (3 if ended_by == "time_limit" else 0), s
        assert len(sessions) == sum(v["state"] != "damaged" for v in verdicts.values()) - 1, sessions.keys()
    print("journal_rules: %d journals judged alike by the runner's resume and the store's add" % len(names))


if __name__ == "__main__":
    main()
