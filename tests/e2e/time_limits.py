#!/usr/bin/env python3
"""Time limits on a real program under X (the Linux program, or the Windows
one under Wine through win32/e2e.py) against the headless tool, whose
simulated clock makes the time-outs exact; compared on everything but the
times:

  1. an item's limit (5 s): item 1 answered, item 2 left to time out
     (item_timeout), item 3 answered (a screenshot of it first), item 4
     left: the test ends as completed;
  2. the test's limit across a resume: a session of a 1-minute test that
     used 48 s of it before the program was killed (the headless tool's
     journal, its last row cut as a kill leaves it) resumed with /R: item 2
     answered, item 3 (a screenshot) left until the time is up (time_up,
     session_end time_limit, the items not reached unmarked).

Status, screenshots and result files byte for byte, journals row by row
(times, clock and build aside). Keys go once the screen has settled; a
time-out is awaited in the journal. About half a minute.

    time_limits.py --exe build/sdl/meridoka --headless build/headless/meridoka-headless [--work DIR]

runs the Linux program on the X display in DISPLAY.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import id_resume  # noqa: E402
import journal_check  # noqa: E402
import kill_resume  # noqa: E402

Failure = kill_resume.Failure
check = id_resume.check
ITEM_SECONDS, USED_MS = 5, 48000


def events(journal):
    rows, _ = journal_check.read(journal)
    return [r["event"] for r in rows]


class TimeLimits(id_resume.IdResume):
    """The ID screen test's folder handling, with an archive of limits."""

    def __init__(self, program, headless, work, settle=0.3):
        self.settle = settle
        self.program, self.x, self.headless, self.work = program, program.x, headless, work
        self.runs = 0

    def archive(self, name, *options):
        self.folder = os.path.join(self.work, name)
        os.makedirs(self.folder)
        return subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"),
                               os.path.join(self.folder, "MERIDOKA.WDL"), "--items", "4", *options],
                              check=True, stdout=subprocess.PIPE, text=True).stdout.split()

    def play_timed(self, steps, options=()):
        """As play, where a step ("timeout", n) waits for the journal's n-th
        time-out row; the program must end by itself. Returns its status."""
        journal = os.path.join(self.folder, "S0000001.CSV")
        proc = self.program.start(self.folder, options)
        try:
            self.x.wait_stable(settle=self.settle, first=0.05)
            for verb, arg in steps:
                check(proc.poll() is None, "the program ended before the keys did")
                if verb == "timeout":
                    deadline = time.time() + 90
                    while sum(e in ("item_timeout", "time_up") for e in events(journal)) < arg:
                        check(time.time() < deadline, "no time-out in the journal")
                        time.sleep(0.05)
                elif verb == "shot":
                    self.screenshot()
                else:
                    self.x.key(id_resume.x_key(arg))
                self.x.wait_stable(settle=self.settle, first=0.05)
            proc.wait(90)
            return proc.returncode
        finally:
            if proc.poll() is None:
                self.program.kill(proc)

    def reference_of(self, steps, options=()):
        """The headless tool's run: a time-out step is a wait past the limit."""
        keys = [("wait", str(ITEM_SECONDS * 1000 + 1000)) if v == "timeout" else (v, a) for v, a in steps]
        return self.reference(keys, options)

    def item_limit(self):
        a = self.archive("item-limit", "--item-seconds", str(ITEM_SECONDS))
        steps = [("key", "space"), ("key", a[0]), ("key", "enter"), ("timeout", 1), ("shot", None),
                 ("key", a[2]), ("key", "enter"), ("timeout", 2)]
        ref_status, ref = self.reference_of(steps)
        self.compare(ref, self.play_timed(steps), ref_status)
        check(events(os.path.join(ref, "S0000001.CSV")).count("item_timeout") == 2, "the reference has no time-outs")

    def test_limit_resumed(self):
        a = self.archive("test-limit", "--test-minutes", "1")
        # the session before: 48 s of the minute used on item 2, then killed
        # (its session_end row, written when the headless run closed, goes)
        _, ref = self.reference_of([("key", "space"), ("key", a[0]), ("key", "enter"), ("wait", str(USED_MS)),
                                    ("key", a[1]), ("close", None)])
        with open(os.path.join(ref, "S0000001.CSV"), "rb") as f:
            journal = f.read()
        with open(os.path.join(self.folder, "S0000001.CSV"), "wb") as f:
            f.write(journal[:journal.rindex(b"\r\n", 0, len(journal) - 2) + 2])
        steps = [("key", a[1]), ("key", "enter"), ("shot", None), ("timeout", 1)]
        ref_status, ref = self.reference_of([s if s[0] != "timeout" else ("wait", "20000") for s in steps], ["/R"])
        self.compare(ref, self.play_timed(steps, ["/R"]), ref_status)
        check(events(os.path.join(ref, "S0000001.CSV"))[-2:] == ["time_up", "session_end"],
              "the reference's time did not run out")

    def run(self):
        self.item_limit()
        self.test_limit_resumed()
        return "item limit: 2 of 4 items timed out; test limit: ran out on item 3 after a resume"


def main():
    return kill_resume.display_main("time limits", "meridoka-time-limits-",
                                    lambda program, headless, work: TimeLimits(program, headless, work).run())


if __name__ == "__main__":
    sys.exit(main())
