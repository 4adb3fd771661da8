#!/usr/bin/env python3
"""The ID screen and the resume offer on a real program under X (the Linux
program, or the Windows one under Wine through win32/e2e.py) against the
headless tool, in one folder of a test that requires the ID and offers a
resume:

  1. the ID typed as tests/e2e/id-screen.scn types it (letters, digits,
     marks, refused keys, Backspace), a screenshot of it, two answers, then
     the program is killed: the journal is the headless one's, its session
     unfinished, with the typed ID as participant;
  2. the same ID again: the offer (a screenshot), 2 starts a new session
     to the end and leaves the old journal byte for byte as it was;
  3. the same ID again: 1 continues the old session to the result file an
     uninterrupted run writes.

Each run's reference is the headless tool's run of the same keys in a copy
of the folder as it was before the run (so the offer shows the same
start time); screenshots and result files are compared byte for byte,
journals row by row (times, clock and build aside). Keys go once the
screen has settled (the program then waits for a key).

    id_resume.py --exe build/sdl/meridoka --headless build/headless/meridoka-headless [--work DIR]

runs the Linux program on the X display in DISPLAY.
"""
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import journal_check  # noqa: E402
import kill_resume  # noqa: E402

X_KEYS = {"esc": "Escape", "enter": "Return", "space": "space", "backspace": "BackSpace",
          "-": "minus", ".": "period", "/": "slash", "f12": "F12"}


def x_key(name):
    return X_KEYS.get(name, name if len(name) == 1 and name.isalnum() else None)


def scenario(path):
    """The steps of a scenario file: ("key", name) and ("shot", None)."""
    steps = []
    with open(path) as f:
        for line in f:
            words = line.split("#")[0].split()
            if words[:1] == ["key"]:
                steps.append(("key", words[1]))
            elif words == ["shot"]:
                steps.append(("shot", None))
    return steps


Failure = kill_resume.Failure


def check(condition, message):
    if not condition:
        raise Failure(message)


def files(folder):
    """The folder's files but the archive, name -> bytes."""
    found = {}
    for f in os.listdir(folder):
        if f != "MERIDOKA.WDL":
            with open(os.path.join(folder, f), "rb") as fh:
                found[f] = fh.read()
    return found


class IdResume:
    def __init__(self, program, headless, work, settle=0.3):
        self.settle = settle  # how long the screen stays the same before a key
        self.program, self.x, self.headless, self.work = program, program.x, headless, work
        self.folder = os.path.join(work, "id-resume")
        os.makedirs(self.folder)
        answers = subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"),
                                  os.path.join(self.folder, "MERIDOKA.WDL"), "--items", "4", "--ask-id",
                                  "required", "--offer-resume", "--id-length", "6"],
                                 check=True, stdout=subprocess.PIPE, text=True).stdout.split()
        self.items = [[("key", a), ("key", "enter")] for a in answers]
        self.typed = scenario(os.path.join(HERE, "id-screen.scn"))
        self.again = [("key", k) for k in ("p", "-", "1", "7", "enter")]
        self.runs = 0

    def reference(self, steps, options=()):
        """The headless tool's run of the steps (with the program's options)
        in a copy of the folder: (status, folder)."""
        self.runs += 1
        ref = os.path.join(self.work, "id-resume-headless-%d" % self.runs)
        shutil.copytree(self.folder, ref)
        with open(os.path.join(ref, "keys.scn"), "w") as f:
            f.write("".join("%s %s\n" % (verb, arg) if arg else "%s\n" % verb for verb, arg in steps))
        done = subprocess.run([self.headless, "--dir", ref, os.path.join(ref, "keys.scn"), *options],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.remove(os.path.join(ref, "keys.scn"))
        return done.returncode, ref

    def screenshot(self):
        """F12, and its file in the folder."""
        shots = len([f for f in os.listdir(self.folder) if f.endswith(".bmp")])
        self.x.key("F12")
        deadline = time.time() + 10
        while len([f for f in os.listdir(self.folder) if f.endswith(".bmp")]) == shots:
            check(time.time() < deadline, "F12 wrote no screenshot")
            time.sleep(0.05)

    def play(self, steps, end):
        """Runs the program on the steps; end "kill" kills it once the screen
        has settled after the last one, "exit" waits for its end. Returns
        its exit status (None when killed)."""
        proc = self.program.start(self.folder)
        try:
            self.x.wait_stable(settle=self.settle, first=0.05)
            for verb, name in steps:
                check(proc.poll() is None, "the program ended before the keys did")
                if verb == "shot":
                    self.screenshot()
                else:
                    self.x.key(x_key(name))
                self.x.wait_stable(settle=self.settle, first=0.05)
            if end == "kill":
                self.program.kill(proc)
                return None
            proc.wait(30)
            return proc.returncode
        finally:
            if proc.poll() is None:
                self.program.kill(proc)

    def compare(self, ref, status, ref_status):
        check(status == ref_status, "exit status %s, headless %s" % (status, ref_status))
        got, want = files(self.folder), files(ref)
        check(sorted(got) == sorted(want), "files %s, headless %s" % (sorted(got), sorted(want)))
        for name in sorted(got):
            if name.endswith(".CSV"):
                try:
                    journal_check.same(os.path.join(self.folder, name), os.path.join(ref, name))
                except journal_check.Bad as e:
                    raise Failure(str(e))
            else:
                check(got[name] == want[name], "%s differs from the headless one" % name)

    def run(self):
        journal = os.path.join(self.folder, "S0000001.CSV")

        # 1: the ID typed, two answers, killed
        keys = self.typed + [("key", "space")] + self.items[0] + self.items[1]
        ref_status, ref = self.reference(keys + [("close", None)])
        self.play(keys, "kill")
        rows, _ = journal_check.read(journal)
        want, _ = journal_check.read(os.path.join(ref, "S0000001.CSV"))
        check(journal_check.skeleton(rows) == journal_check.skeleton(want[:-1]),
              "the killed session's journal is not the headless one's")
        check(rows[0]["participant"] == "P-17", "participant %r" % rows[0]["participant"])
        with open(os.path.join(ref, "00000001.bmp"), "rb") as f:
            check(files(self.folder).get("00000001.bmp") == f.read(), "the ID screen differs from the headless one")
        with open(journal, "rb") as f:
            old = f.read()

        # 2: the offer, 2: a new session; the old journal stays as it was
        keys = self.again + [("shot", None), ("key", "2"), ("key", "space")] + sum(self.items, [])
        ref_status, ref = self.reference(keys)
        self.compare(ref, self.play(keys, "exit"), ref_status)
        with open(journal, "rb") as f:
            check(f.read() == old, "the new session changed the old journal")
        with open(os.path.join(self.folder, "RESULT-W.TXT"), "rb") as f:
            whole = f.read()
        os.remove(os.path.join(self.folder, "RESULT-W.TXT"))

        # 3: the offer, 1: the old session goes on to the same result
        keys = self.again + [("key", "1")] + self.items[2] + self.items[3]
        ref_status, ref = self.reference(keys)
        self.compare(ref, self.play(keys, "exit"), ref_status)
        with open(os.path.join(self.folder, "RESULT-W.TXT"), "rb") as f:
            check(f.read() == whole, "the resumed session's result file differs from the whole one's")
        rows, _ = journal_check.read(journal)
        journal_check.validate(journal, rows, ended=True)
        return "ID P-17 typed, killed after 2 answers; offer: 2 new session, 1 resumed to the same result"


def main():
    return kill_resume.display_main("ID screen and resume offer", "meridoka-id-resume-",
                                    lambda program, headless, work: IdResume(program, headless, work).run())


if __name__ == "__main__":
    sys.exit(main())
