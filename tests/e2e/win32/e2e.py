#!/usr/bin/env python3
"""End-to-end tests of the Windows build: the real program under wine64 on a
private Xvfb display, driven with xdotool key presses in the program's own
rhythm (each key only once the screen has settled, i.e. the program waits
for a key). Every F12 screenshot and the result file are compared byte for
byte with what the headless tool produces for the same scenario, the
session journal row by row (times, clock and build aside). The kill test
kills the program at 5 points and resumes each session (../kill_resume.py);
the ID screen and the resume offer are ../id_resume.py, the time limits
../time_limits.py.

    e2e.py --exe build-win32/meridoka-x86_64.exe --headless build/headless/meridoka-headless
           [--displays 40-49] [--keep] [--only NAME ...] [--sample build/data/ru/MERIDOKA.WDL [--sample-scenarios data/ru]]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.dirname(HERE))
import journal_check  # noqa: E402
import id_resume  # noqa: E402
import kill_resume  # noqa: E402
import time_limits  # noqa: E402
from xscreen import XServer, free_display  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
XDO_KEYS = {"esc": "Escape", "enter": "Return", "space": "space", "a": "a", "f1": "F1",
            "f12": "F12", "0": "0"}
XDO_KEYS.update({str(d): str(d) for d in range(1, 10)})


def parse_scenario(path):
    steps = []
    with open(path) as f:
        for number, line in enumerate(f, 1):
            words = []
            for w in line.split():
                if w.startswith("#") and not w[1:].isdigit():
                    break
                words.append(w)
            if not words:
                continue
            if words[0] in ("key", "busy") and len(words) == 2:
                if words[0] == "busy":
                    raise ValueError("%s:%d: 'busy' cannot be timed through X" % (path, number))
                if words[1] not in XDO_KEYS:
                    raise ValueError("%s:%d: no X key for %r" % (path, number, words[1]))
                steps.append(("key", XDO_KEYS[words[1]]))
            elif words == ["shot"]:
                steps.append(("key", "F12"))
            elif words == ["close"]:
                steps.append(("close", None))
            else:
                raise ValueError("%s:%d: cannot read %r" % (path, number, line.strip()))
    return steps


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Suite:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix="meridoka-win32-e2e-")
        numbers = range(args.displays[0], args.displays[1] + 1)
        self.x = XServer(free_display(numbers))
        # a display number with no server behind it, for the no-display case
        self.dead_display = ":%d" % free_display(numbers, avoid=(int(self.x.name[1:]),))
        self.prefix = os.path.join(self.work, "prefix")
        self.env = dict(self.x.env(), WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        try:
            subprocess.run([WINE, "wineboot", "-i"], env=self.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
            self.wine_idle()
        except BaseException:
            self.close()
            raise

    def wine_idle(self):
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=60)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        self.x.close()
        if not self.args.keep:
            shutil.rmtree(self.work, ignore_errors=True)

    def folder(self, name, archive_args):
        """A run folder holding a fresh synthetic archive (arguments for
        make_test_archive.py), a copy of an archive (its path), or none (None)."""
        d = os.path.join(self.work, name)
        os.makedirs(d)
        if isinstance(archive_args, str):
            shutil.copy(archive_args, os.path.join(d, "MERIDOKA.WDL"))
        elif archive_args is not None:
            subprocess.run([sys.executable, os.path.join(ROOT, "tests", "e2e", "make_test_archive.py"),
                            os.path.join(d, "MERIDOKA.WDL"), *archive_args], check=True,
                           stdout=subprocess.DEVNULL)
        return d

    def start(self, folder, env=None):
        return subprocess.Popen([WINE, os.path.abspath(self.args.exe)], cwd=folder,
                                env=env or self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_exit(self, proc, timeout=30):
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def answer_question(self, answer):
        """Answers the full-screen question; returns the program window."""
        box = self.x.wait_window("Confirm")
        time.sleep(0.3)
        self.x.point_at(box)
        self.x.key(answer)
        self.x.wait_window("Confirm", present=False, timeout=15)
        return self.x.wait_window("MERIDOKA", timeout=15)

    def headless(self, folder, scenario):
        """Runs the headless tool in a copy of the folder; returns (status, outputs)."""
        ref = folder + "-headless"
        os.makedirs(ref)
        for f in os.listdir(folder):
            shutil.copy(os.path.join(folder, f), ref)
        run = subprocess.run([os.path.abspath(self.args.headless), "--dir", ref,
                              os.path.abspath(scenario)], stderr=subprocess.PIPE, text=True)
        ran_out = "ended before the test did" in run.stderr
        return run.returncode, outputs(ref), ran_out

    def run_scenario(self, name, archive_args, scenario, answer, expect_window, taken=()):
        scenario = os.path.join(HERE, "scenarios", scenario)
        steps = parse_scenario(scenario)
        folder = self.folder(name, archive_args)
        for f in taken:  # screenshot names already in use
            with open(os.path.join(folder, f), "wb") as fh:
                fh.write(b"taken")
        ref_status, ref_outputs, ran_out = self.headless(folder, scenario)
        self.ref_folder = folder + "-headless"
        proc = self.start(folder)
        try:
            window = self.answer_question(answer)
            self.x.wait_stable()
            # the X window follows the Windows one a little later: allow it time
            deadline = time.time() + 10
            while True:
                try:
                    expect_window(self.x.geometry(window))
                    break
                except Failure:
                    if time.time() > deadline:
                        raise
                    time.sleep(0.2)
            self.x.point_at(window)  # where the keys go, and where the pointer is looked at
            time.sleep(0.5)
            pointer = self.x.pointer_visible()
            check(pointer == (answer == "n"), "pointer over the picture %s" %
                  ("shown in full screen" if pointer else "hidden in a window"))
            for kind, key in steps:
                check(proc.poll() is None, "the program ended before the scenario did")
                if kind == "close":
                    self.x.key("alt+F4")  # the system close of the focused window
                else:
                    self.x.key(key)
                self.x.wait_stable()
            if ran_out:  # the headless tool takes that as a closed window
                check(proc.poll() is None, "the program ended before the scenario did")
                self.x.key("alt+F4")
            status = self.wait_exit(proc)
            check(status is not None, "the program did not end")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        check(status == ref_status, "exit code %s, headless %s" % (status, ref_status))
        got = outputs(folder)
        check(sorted(got) == sorted(ref_outputs),
              "files %s, headless %s" % (sorted(got), sorted(ref_outputs)))
        for f in sorted(got):
            check(got[f] == ref_outputs[f], "%s differs from the headless one" % f)
        journals = sorted(f for f in os.listdir(folder) if f.upper().endswith(".CSV"))
        check(journals == sorted(f for f in os.listdir(self.ref_folder) if f.upper().endswith(".CSV")),
              "journals %s, headless %s" % (journals, os.listdir(self.ref_folder)))
        for f in journals:
            try:
                journal_check.same(os.path.join(folder, f), os.path.join(self.ref_folder, f))
            except journal_check.Bad as e:
                raise Failure(str(e))
        return "exit %d, %s" % (status, ", ".join(sorted(got) + journals) or "no files")


def outputs(folder):
    """Screenshots and the result file in a run folder, name -> bytes."""
    found = {}
    for f in os.listdir(folder):
        if f.endswith(".bmp") or f == "RESULT-W.TXT":
            with open(os.path.join(folder, f), "rb") as fh:
                found[f] = fh.read()
    return found


def windowed(screen):
    def expect(geometry):
        x, y, w, h = geometry
        check((w, h) == (640, 480), "client area %dx%d, not 640x480" % (w, h))
        cx, cy = (screen.width - 640) // 2, (screen.height - 480) // 2
        # centred as a whole window: the client sits lower by half the caption
        check(x == cx and cy <= y <= cy + 30, "window at %d,%d, not centred (%d,%d)" % (x, y, cx, cy))
    return expect


def full_screen(geometry):
    check(geometry == (0, 0, 640, 480), "full-screen window at %s, not 640x480 at 0,0" % (geometry,))


def case_windowed_whole_test(s):
    return s.run_scenario("windowed", [], "whole-test.txt", "n", windowed(s.x))


def case_full_screen(s):
    # Yes (Return on the default button); the mode change fails under Xvfb and the run goes on.
    # With 00000001.bmp and 00000003.bmp taken, the two screenshots fill 2 and 4.
    what = s.run_scenario("fullscreen", ["--packed", "--f1-text", "--items", "4"], "full-screen.txt",
                          "Return", full_screen, taken=("00000001.bmp", "00000003.bmp"))
    shots = {f: len(b) for f, b in outputs(os.path.join(s.work, "fullscreen")).items() if f.endswith(".bmp")}
    check(shots == {"00000001.bmp": 5, "00000002.bmp": 38462, "00000003.bmp": 5, "00000004.bmp": 38462},
          "screenshots %s" % shots)
    return what


def case_esc_on_first_item(s):
    return s.run_scenario("esc-first", [], "esc-first-item.txt", "n", windowed(s.x))


def case_window_closed(s):
    return s.run_scenario("closed", ["--items", "6"], "close-window.txt", "n", windowed(s.x))


def case_no_archive(s):
    folder = s.folder("no-archive", None)
    proc = s.start(folder)
    try:
        box = s.x.wait_window("Error")
        check(not s.x.windows("Confirm") and not s.x.windows("MERIDOKA"), "a display was opened")
        time.sleep(0.3)
        s.x.point_at(box)
        s.x.key("Return")
        status = s.wait_exit(proc)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    check(status == 1, "exit code %s, not 1" % status)
    check(outputs(folder) == {}, "files were written")
    return "error box dismissed, exit 1"


def case_no_display(s):
    # no X server behind DISPLAY: the window cannot be created
    s.wine_idle()
    folder = s.folder("no-display", [])
    proc = s.start(folder, dict(s.env, DISPLAY=s.dead_display))
    status = s.wait_exit(proc, 60)
    if status is None:
        proc.kill()
        proc.wait()
    s.wine_idle()
    check(status == 2, "exit code %s, not 2" % status)
    check(outputs(folder) == {}, "files were written")
    return "exit 2"


def shared(s, name, test):
    """A test shared with the Linux program (../*.py) on the Windows one:
    test(program, headless, work) in a folder of its own."""
    work = os.path.join(s.work, name)
    os.makedirs(work)
    program = kill_resume.Program(s.x, s.args.exe, s.env, wine=WINE)
    try:
        return test(program, os.path.abspath(s.args.headless), work)
    except (kill_resume.Failure, journal_check.Bad) as e:
        raise Failure(str(e))


def case_killed_and_resumed(s):
    """Killed at 5 points (the wine process by its PID, with its process
    group), each session resumed with /R to the uninterrupted result file."""
    lines = shared(s, "killed", lambda program, headless, work:
                   kill_resume.run(program, headless, work, 5, 17, log=lambda line: None))
    return "5 points: " + "; ".join(line.split(": ", 1)[1] for line in lines)


def case_id_screen_and_resume(s):
    """The ID typed on the program's screen and the resume offer (../id_resume.py)."""
    return shared(s, "id", lambda program, headless, work:
                  id_resume.IdResume(program, headless, work, settle=0.6).run())


def case_time_limits(s):
    """An item's limit and the test's across a resume (../time_limits.py)."""
    return shared(s, "limits", lambda program, headless, work:
                  time_limits.TimeLimits(program, headless, work, settle=0.6).run())


def case_sample_test(s):
    """The bundled sample test, when it has been built, with its own scenarios."""
    if not s.args.sample or not os.path.exists(s.args.sample):
        return "skipped: no sample archive"
    folder = os.path.abspath(s.args.sample_scenarios)
    done = []
    for f in sorted(os.listdir(folder)):
        if f.endswith(".scn"):
            what = s.run_scenario("sample-" + f[:-4], os.path.abspath(s.args.sample),
                                  os.path.join(folder, f), "n", windowed(s.x))
            done.append("%s: %s" % (f[:-4], what))
    check(done, "no scenarios in %s" % folder)
    return "; ".join(done)


CASES = [case_no_display, case_windowed_whole_test, case_full_screen, case_esc_on_first_item,
         case_window_closed, case_no_archive, case_killed_and_resumed, case_id_screen_and_resume, case_time_limits,
         case_sample_test]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--headless", required=True)
    ap.add_argument("--displays", default="40-49")
    ap.add_argument("--keep", action="store_true", help="keep the run folders")
    ap.add_argument("--sample", help="the sample test's MERIDOKA.WDL, if built")
    ap.add_argument("--sample-scenarios", default=os.path.join(ROOT, "data", "ru"),
                    help="folder of the sample test's *.scn scenarios")
    ap.add_argument("--only", nargs="*", default=[])
    args = ap.parse_args()
    a, _, b = args.displays.partition("-")
    args.displays = (int(a), int(b or a))

    suite = Suite(args)
    failed = 0
    try:
        for case in CASES:
            name = case.__name__[5:]
            if args.only and name not in args.only:
                continue
            start = time.time()
            try:
                what = case(suite)
                print("ok   %-22s %5.1f s  %s" % (name, time.time() - start, what), flush=True)
            except (Failure, RuntimeError, ValueError) as e:
                failed += 1
                print("FAIL %-22s %5.1f s  %s" % (name, time.time() - start, e), flush=True)
    finally:
        suite.close()
        if args.keep:
            print("run folders kept in", suite.work)
    print("win32 end-to-end: %d failed" % failed if failed else "win32 end-to-end: all passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
