#!/usr/bin/env python3
"""Kill tests of the DOS program in DOSBox: it takes a four-item test with
the keys of the other builds' kill tests (tests/e2e/kill_resume.py), and at
each of a few points the key feeder stops the PC at a key read (`halt`)
and DOSBox is killed, as a power cut would end it. Each time the journal
must be sound and hold every answer confirmed before the cut; then the
program resumes the session (/R, the same participant) and must end with
the result file an uninterrupted run writes (the headless tool's).

Every row is committed before the program reads the next key, so at a
halted read all rows of the keys before it are on the disk.

    power_cut.py BUILD_DIR HEADLESS [--work DIR]

BUILD_DIR holds MERIDOKA.EXE and the test programs of tests/dos/e2e.sh.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import journal_check  # noqa: E402
from kill_resume import SCENARIO_NAMES, key_plan  # noqa: E402

PARTICIPANT = "/P:KILL-4"
# keys given before the cut, and where the test stands then
POINTS = [(0, "on the instruction screen"), (3, "in item 1's refusal popup"),
          (7, "on item 2 after a preview taken back"), (10, "in item 3's preview"),
          (12, "in the last item's preview")]


class Failure(Exception):
    pass


def scenario_lines(steps):
    return ["key " + SCENARIO_NAMES.get(k, k) for k, _ in steps]


def ladder(file):
    lines = ["SET RC=X"] + ["IF ERRORLEVEL %d SET RC=%d" % (n, n) for n in range(8)]
    return lines + ["ECHO %%RC%%> %s" % file]


def dos_run(build, folder, lines, options, work, halt):
    """Runs MERIDOKA with the keys of scenario `lines`; with halt, kills
    DOSBox once the feeder has stopped the PC, else dumps the program's
    data segment at its last key read (DATA0001.BIN)."""
    scenario = os.path.join(folder, "keys.scn")
    with open(scenario, "w") as f:
        f.write("\n".join(lines + (["halt"] if halt else [])) + "\n")
    subprocess.run([sys.executable, os.path.join(HERE, "scenario_keys.py"), scenario,
                    os.path.join(folder, "KEYS.BIN")] + ([] if halt else ["--dump-data-last"]), check=True)
    shutil.copy(os.path.join(build, "KEYFEED.COM"), folder)
    shutil.copy(os.path.join(build, "MERIDOKA.EXE"), folder)
    batch = ["KEYFEED", "MERIDOKA %s > OUT.TXT" % options] + ladder("RC.TXT") + ["EXIT"]
    with open(os.path.join(folder, "RUN.BAT"), "w", newline="\r\n") as f:
        f.write("\n".join(batch) + "\n")
    env = dict(os.environ, HOME=work, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
    with open(folder + ".log", "ab") as log:
        proc = subprocess.Popen(["dosbox", "-c", "mount c " + folder, "-c", "c:", "-c", "RUN.BAT"],
                                env=env, stdout=log, stderr=log, start_new_session=True)
    marker = os.path.join(folder, "HALT0001.TXT")
    deadline = time.time() + 60
    try:
        while proc.poll() is None and time.time() < deadline:
            if halt and os.path.exists(marker):
                break
            time.sleep(0.05)
    finally:
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
    if halt and not os.path.exists(marker):
        raise Failure("%s: the feeder never reached the halt" % folder)
    if not halt:
        with open(os.path.join(folder, "RC.TXT")) as f:
            return f.read().strip()
    return None


def stack_left(build, dump):
    """Bytes of the stack area never used (they keep the start-up's 5Ah)."""
    symbols = {}
    for line in subprocess.run(["nm", os.path.join(build, "meridoka.elf")], check=True,
                               capture_output=True, text=True).stdout.splitlines():
        parts = line.split()
        if len(parts) == 3:
            symbols[parts[2]] = int(parts[0], 16)
    with open(dump, "rb") as f:
        area = f.read()[symbols["_stack_limit"]:symbols["_stack_top"]]
    return len(area) - len(area.lstrip(b"\x5a"))


def reference_result(headless, archive, steps, work):
    folder = os.path.join(work, "reference")
    os.makedirs(folder)
    shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
    with open(os.path.join(folder, "keys.scn"), "w") as f:
        f.write("\n".join(scenario_lines(steps)) + "\n")
    subprocess.run([headless, "--dos-results", "--dir", folder, os.path.join(folder, "keys.scn")], check=True)
    with open(os.path.join(folder, "RESULT-D.TXT"), "rb") as f:
        return f.read()


def run(build, headless, work):
    archive = os.path.join(work, "kill.wdl")
    answers = subprocess.run([sys.executable, os.path.join(HERE, "..", "e2e", "make_test_archive.py"), archive,
                              "--items", "4"], check=True, stdout=subprocess.PIPE, text=True).stdout
    plan = key_plan([int(a) for a in answers.split()])
    steps = [("space", 1)] + [s for item in plan for s in item]
    expected = reference_result(headless, archive, steps, work)
    confirms = [i for i, (k, adds) in enumerate(steps) if k == "Return" and adds == 2]
    for point, (given, where) in enumerate(POINTS):
        folder = os.path.join(work, "point%d" % point)
        os.makedirs(folder)
        shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
        dos_run(build, folder, scenario_lines(steps[:given]), PARTICIPANT, work, halt=True)

        journal = os.path.join(folder, "S0000001.CSV")
        rows, cut = journal_check.read(journal)
        answered = journal_check.validate(journal, rows)
        before = len([c for c in confirms if c < given])
        if answered != before or cut:
            raise Failure("point %d: %d answers kept (a cut row of %d bytes), %d were confirmed before the cut"
                          % (point, answered, cut, before))

        rest = [s for item in plan[answered:] for s in item]
        status = dos_run(build, folder, scenario_lines(rest), PARTICIPANT + " /R", work, halt=False)
        if status != "0":
            raise Failure("point %d: the resumed run ended with %s" % (point, status))
        left = stack_left(build, os.path.join(folder, "DATA0001.BIN"))
        if left < 512:
            raise Failure("point %d: the resumed run left %d bytes of its stack unused" % (point, left))
        with open(os.path.join(folder, "RESULT-D.TXT"), "rb") as f:
            if f.read() != expected:
                raise Failure("point %d: RESULT-D.TXT differs from an uninterrupted run's" % point)
        rows, _ = journal_check.read(journal)
        journal_check.validate(journal, rows, ended=True)
        events = [r["event"] for r in rows]
        if "session_interrupted" not in events or "session_resumed" not in events:
            raise Failure("point %d: the resume is not in the journal" % point)
        print("  cut %s (after %d of %d keys): %d answers kept, resumed (%d stack bytes unused),"
              " result file equal" % (where, given, len(steps), answered, left))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("headless")
    ap.add_argument("--work")
    args = ap.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="meridoka-dos-kill-")
    os.makedirs(work, exist_ok=True)
    try:
        run(os.path.abspath(args.build), os.path.abspath(args.headless), work)
    except (Failure, journal_check.Bad, OSError, subprocess.SubprocessError) as e:
        print("dos kill test: %s (work files in %s)" % (e, work), file=sys.stderr)
        return 1
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
