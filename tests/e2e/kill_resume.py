#!/usr/bin/env python3
"""Kill tests of a real program: it takes a four-item test under X, is
killed (SIGKILL to its process group) at random points, and each time its
journal must be sound and hold every answer confirmed before the kill; then
the program resumes the session (/R) and must end with the result file an
uninterrupted run writes (the headless tool's, for the same keys).

Keys are paced by the journal itself: every row is committed before the
program reads the next key, so the next key goes once its rows are there.

    kill_resume.py --exe build/sdl/meridoka --headless build/headless/meridoka-headless
                   [--points 20] [--seed 13] [--work DIR]

runs the Linux program on the X display in DISPLAY. The Windows end-to-end
tests (win32/e2e.py) use run() with a program started under Wine.
"""
import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "win32"))
import journal_check  # noqa: E402
import make_test_archive  # noqa: E402
from xscreen import XServer  # noqa: E402

SCENARIO_NAMES = {"space": "space", "Return": "enter", "a": "a"}


def key_plan(answers):
    """Per item, the X keys and how many journal rows each one adds: item 1
    refuses a wrong answer (its popup takes a key and writes nothing), item 2
    takes a preview back, item 4 is answered wrong."""
    masks = make_test_archive.MASKS
    options = [bin(masks[i % len(masks)]).count("1") for i in range(len(answers))]
    wrong = [str(a % n + 1) for a, n in zip(answers, options)]
    right = [str(a) for a in answers]
    assert len(answers) == 4 and all(w != r for w, r in zip(wrong, right))
    return [[(wrong[0], 1), ("Return", 1), ("space", 0), (right[0], 1), ("Return", 2)],
            [(wrong[1], 1), ("a", 1), (right[1], 1), ("Return", 2)],
            [(right[2], 1), ("Return", 2)],
            [(wrong[3], 1), ("Return", 2)]]


def rows_in(path):
    """Whole rows in a journal so far (its header aside)."""
    try:
        with open(path, "rb") as f:
            return max(f.read().count(b"\r\n") - 1, 0)
    except FileNotFoundError:
        return 0


class Failure(Exception):
    pass


class Program:
    """Starts the program under test and brings its window up: `wine` is the
    Wine loader (None for a Linux program); `env` its environment."""

    def __init__(self, x, exe, env, wine=None):
        self.x, self.exe, self.env, self.wine = x, os.path.abspath(exe), env, wine
        self.prefix, self.preexec = [], None  # a command to run it under, and set-up in the child

    def start(self, folder, options=()):
        command = self.prefix + ([self.wine] if self.wine else []) + [self.exe, *options]
        with open(os.path.join(folder, "..", os.path.basename(folder) + ".log"), "ab") as log:
            proc = subprocess.Popen(command, cwd=folder, env=self.env, stdout=log, stderr=log,
                                    start_new_session=True, preexec_fn=self.preexec)
        try:
            # "Run in fullscreen mode?" No, then the window gets the keys
            box = self.x.wait_window("Confirm")
            time.sleep(0.3)
            self.focus(box)
            self.x.key("n" if self.wine else "Escape")
            self.focus(self.x.wait_window("MERIDOKA"))
        except BaseException:
            self.kill(proc)
            raise
        return proc

    def focus(self, window):
        # Wine without a window manager takes keys under the pointer; SDL the focus
        self.x.point_at(window)
        if not self.wine:
            self.x.xdotool("windowfocus", "--sync", str(window))

    def kill(self, proc):
        """SIGKILL to the process group; then its windows are gone before
        the next start looks for windows of the same names."""
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait()
        for title in ("MERIDOKA", "Confirm", "Error"):
            self.x.wait_window(title, present=False, timeout=15)


def send(x, journal, steps, proc, expected, settle=0.08):
    """Sends the keys, each once the journal has `expected` rows and then the
    rows of the keys before it."""
    for name, adds in steps:
        deadline = time.time() + 20
        while rows_in(journal) < expected:
            if time.time() > deadline or proc.poll() is not None:
                raise Failure("the journal stopped at %d rows, %d expected" % (rows_in(journal), expected))
            time.sleep(0.01)
        # a popup is drawn after its row: give it time to wait for its key
        time.sleep(settle if adds else 0.3)
        x.key(name)
        expected += adds


def reference_result(headless, archive, plan, work):
    folder = os.path.join(work, "reference")
    os.makedirs(folder)
    shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
    lines = ["key space"] + ["key " + SCENARIO_NAMES.get(k, k) for item in plan for k, _ in item]
    with open(os.path.join(folder, "keys.scn"), "w") as f:
        f.write("\n".join(lines) + "\n")
    subprocess.run([headless, "--dir", folder, os.path.join(folder, "keys.scn")], check=True)
    with open(os.path.join(folder, "RESULT-W.TXT"), "rb") as f:
        return f.read()


def run(program, headless, work, points, seed, log=print):
    """The kill tests; returns a line for each point."""
    archive = os.path.join(work, "kill.wdl")
    answers = subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"), archive,
                              "--items", "4"], check=True, stdout=subprocess.PIPE, text=True).stdout
    plan = key_plan([int(a) for a in answers.split()])
    expected = reference_result(headless, archive, plan, work)
    steps = [("space", 1)] + [s for item in plan for s in item]
    confirms = [i for i, (k, adds) in enumerate(steps) if k == "Return" and adds == 2]
    rng = random.Random(seed)
    lines = []
    for point in range(points):
        k = rng.randrange(len(steps))  # killed after key k
        delay = rng.uniform(0, 0.15)
        folder = os.path.join(work, "point%02d" % point)
        os.makedirs(folder)
        shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
        journal = os.path.join(folder, "S0000001.CSV")
        proc = program.start(folder)
        try:
            time.sleep(0.4)  # the instruction screen is drawn after the window opens
            send(program.x, journal, steps[:k + 1], proc, 1)
            time.sleep(delay)
        finally:
            program.kill(proc)

        rows, cut = journal_check.read(journal)
        answered = journal_check.validate(journal, rows)
        before = len([c for c in confirms if c < k])  # their rows were awaited
        if answered < before:
            raise Failure("point %d: %d answers kept, %d were confirmed before the kill" % (point, answered, before))

        ended = rows[-1]["event"] == "session_end"  # the last key came before the kill
        if not ended:
            kept = rows_in(journal)  # a cut row has no line end yet
            proc = program.start(folder, ["/R"])
            try:
                # session_interrupted, session_resumed, item_shown
                send(program.x, journal, [s for item in plan[answered:] for s in item], proc, kept + 3)
                proc.wait(30)
            finally:
                if proc.poll() is None:
                    program.kill(proc)
                    raise Failure("point %d: the resumed run did not end" % point)
            if proc.returncode != 0:
                raise Failure("point %d: the resumed run ended with %d" % (point, proc.returncode))
        with open(os.path.join(folder, "RESULT-W.TXT"), "rb") as f:
            if f.read() != expected:
                raise Failure("point %d: RESULT-W.TXT differs from an uninterrupted run's" % point)
        rows, _ = journal_check.read(journal)
        journal_check.validate(journal, rows, ended=True)
        line = "point %2d: killed after key %2d (+%3.0f ms): %d answers kept%s; %s, result file equal" % (
            point, k + 1, delay * 1000, answered, ", a cut row of %d bytes" % cut if cut else "",
            "it had ended" if ended else "resumed")
        log(line)
        lines.append(line)
    return lines


def on_display(what, prefix, args, test):
    """A command's test(program, headless, work) with the Linux program
    args.exe on the X display in DISPLAY, in args.work or a temporary
    folder (removed when it passes); a failure is printed under `what`.
    Returns the exit status."""
    work = args.work or tempfile.mkdtemp(prefix=prefix)
    os.makedirs(work, exist_ok=True)
    x = XServer(int(os.environ["DISPLAY"].lstrip(":").split(".")[0]), start=False)
    try:
        test(Program(x, args.exe, dict(os.environ)), os.path.abspath(args.headless), work)
    except (Failure, journal_check.Bad, RuntimeError, subprocess.SubprocessError) as e:
        print("%s: %s (work files in %s)" % (what, e, work), file=sys.stderr)
        return 1
    finally:
        x.close()
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 0


def display_main(what, prefix, test):
    """The command line of a test on the display in DISPLAY (--exe the Linux
    program, --headless, --work): on_display of test(program, headless, work)."""
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--headless", required=True)
    ap.add_argument("--work")
    return on_display(what, prefix, ap.parse_args(), test)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--headless", required=True)
    ap.add_argument("--points", type=int, default=20)
    ap.add_argument("--seed", type=int, default=13)
    ap.add_argument("--work")
    args = ap.parse_args()
    return on_display("kill test", "meridoka-kill-", args,
                      lambda program, headless, work: run(program, headless, work, args.points, args.seed))


if __name__ == "__main__":
    sys.exit(main())
