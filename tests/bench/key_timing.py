#!/usr/bin/env python3
"""How exact are the journal's times, measured from outside (a figure, not a
test): the real program takes the sample test under a private Xvfb while
this script presses its keys at moments it notes, then the intervals between
those moments are compared with the intervals between the journal's `ms` of
the same rows (answer_previewed for a digit, answer_confirmed for Enter).
Prints the median, 95th and 99th percentile of |journal - sent| per build.

    key_timing.py sdl  --exe build/sdl/meridoka            [options]
    key_timing.py wine --exe build-win32/meridoka-x86_64.exe [options]
    key_timing.py web  --exe build-web                      [options]
    key_timing.py dosbox --exe build-dos/MERIDOKA.EXE [--cycles 7800] [options]
      --wdl build/tools/wdl/wdl --sample build/data/ru/MERIDOKA.WDL
      --items N (default: all)  --runs N (default 1)  --displays 60-69

Keys go in through XTEST (what `xdotool key` calls) from this process, so
the send time is taken within a millisecond of the server receiving the
key, without a tool's start-up in between; xdotool places the pointer on
the window (without a window manager the key goes where the pointer is).
The pauses between keys are drawn at random from 150 to 900 ms.

The page (`web`, --exe the built folder) runs from a test server on
127.0.0.1 in headless Chromium; web/tests/key_timing.mjs sends the same
keys after the same kind of pauses through Chromium's input events
(Input.dispatchKeyEvent) and notes each moment as the middle of the
keyDown's round trip.

DOS: the program runs in DOSBox with its SDL window on the Xvfb screen
(not the headless video driver the DOS tests use), so the keys go the way
a person's would: X server, DOSBox's keyboard (scan codes through the
emulated keyboard controller and IRQ 1), the BIOS's buffer, INT 16h. The
emulated PC runs at fixed cycles, paced by DOSBox to the host's clock one
millisecond at a time, so its timer's intervals are host intervals as far
as DOSBox keeps pace.
"""
import argparse
import csv
import ctypes
import glob
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e", "win32"))
sys.path.insert(0, os.path.join(ROOT, "tests", "dos"))
from xscreen import XServer, free_display  # noqa: E402
from answer_scenario import items as sample_items  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


class Keys:
    """Key presses through XTEST on one display connection."""

    def __init__(self, x):
        self.x = x
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        x.x11.XStringToKeysym.restype = ctypes.c_ulong
        x.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        x.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        x.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]

    def press(self, name):
        """Presses and releases a key; returns the moment of the press
        (monotonic seconds, the middle of the request's round trip)."""
        code = self.x.x11.XKeysymToKeycode(self.x.display, self.x.x11.XStringToKeysym(name.encode()))
        before = time.monotonic()
        self.xtst.XTestFakeKeyEvent(self.x.display, code, 1, 0)
        self.x.x11.XSync(self.x.display, 0)
        after = time.monotonic()
        self.xtst.XTestFakeKeyEvent(self.x.display, code, 0, 0)
        self.x.x11.XSync(self.x.display, 0)
        return (before + after) / 2


def percentile(sorted_values, p):
    """The nearest-rank percentile."""
    k = max(0, min(len(sorted_values) - 1, int(round(p / 100 * len(sorted_values) + 0.5)) - 1))
    return sorted_values[k]


def journal_key_rows(folder):
    """The ms of every row stamped with a key's time, in order."""
    journals = sorted(glob.glob(os.path.join(folder, "S*.CSV")))
    if not journals:
        raise RuntimeError("no journal in %s" % folder)
    with open(journals[-1], encoding="utf-8-sig", newline="") as f:
        return [int(r["ms"]) for r in csv.DictReader(f)
                if r["event"] in ("answer_previewed", "answer_confirmed")]


def dosbox_window(x, timeout=30.0):
    """DOSBox's window (its title names the speed and the program)."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = x.xdotool("search", "--name", "^DOSBox").split()
        if found:
            return int(found[0])
        time.sleep(0.1)
    raise RuntimeError("no DOSBox window after %.0f s" % timeout)


def one_run(args, x, keys, answers, work, rng):
    folder = tempfile.mkdtemp(prefix="run-", dir=work)
    shutil.copy(args.sample, os.path.join(folder, "MERIDOKA.WDL"))
    env = x.env()
    if args.build == "wine":
        env = dict(env, WINEPREFIX=os.path.join(work, "prefix"), WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=")
        command = [WINE, os.path.abspath(args.exe)]
    elif args.build == "dosbox":
        shutil.copy(args.exe, os.path.join(folder, "MERIDOKA.EXE"))
        conf = os.path.join(work, "dosbox.conf")
        with open(conf, "w") as f:
            f.write("[sdl]\nautolock=false\n[cpu]\ncore=normal\ncycles=fixed %d\n" % args.cycles)
        env = dict(env, HOME=work, SDL_AUDIODRIVER="dummy")
        command = ["dosbox", "-conf", conf, "-c", "mount c " + folder, "-c", "c:", "-c", "MERIDOKA", "-c", "EXIT"]
    else:
        command = [os.path.abspath(args.exe)]
    proc = subprocess.Popen(command, cwd=folder, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    try:
        # No: a window, not the full screen (asked again when a busy
        # machine let the key come before the box could take it)
        for attempt in range(4 if args.build != "dosbox" else 0):
            box = x.wait_window("Confirm")
            time.sleep(0.3 + attempt)
            x.point_at(box)
            x.key("n" if args.build == "wine" else "Escape")
            try:
                x.wait_window("Confirm", present=False, timeout=8)
                break
            except RuntimeError:
                if attempt == 3:
                    raise
        window = x.wait_window("MERIDOKA", timeout=15) if args.build != "dosbox" else dosbox_window(x)
        time.sleep(0.3 if args.build != "dosbox" else 2.0)  # DOSBox: the program started and drawn
        x.point_at(window)
        x.wait_stable(settle=0.4, first=0.2)
        keys.press("space")
        time.sleep(0.8)
        sent = []
        for digit in answers:
            time.sleep(rng.uniform(0.15, 0.9))
            sent.append(keys.press(str(digit)))
            time.sleep(rng.uniform(0.15, 0.9))
            sent.append(keys.press("Return"))
        time.sleep(0.5)
        if len(answers) < args.all_items:
            keys.press("Escape")
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            keys.press("Escape")  # a program still waiting: the test ends as Esc ends it
            proc.wait(20)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    rows = journal_key_rows(folder)
    if len(rows) != len(sent):
        raise RuntimeError("%d keys sent, %d key rows in the journal (%s)" % (len(sent), len(rows), folder))
    return [(rows[i] - rows[i - 1]) - (sent[i] - sent[i - 1]) * 1000 for i in range(1, len(sent))]


def one_page_run(args, answers, work, rng):
    """The page's run: the keys and pauses go to web/tests/key_timing.mjs."""
    keys = []
    for digit in answers:
        keys += [[str(digit), rng.uniform(0.15, 0.9)], ["Enter", rng.uniform(0.15, 0.9)]]
    plan = json.dumps({"keys": keys, "escape": len(answers) < args.all_items})
    done = subprocess.run(["node", os.path.join(ROOT, "web", "tests", "key_timing.mjs"), args.exe, args.sample,
                           os.path.join(work, "web")], input=plan, stdout=subprocess.PIPE, text=True, check=True)
    got = json.loads(done.stdout.strip().splitlines()[-1])
    sent, rows = got["sent"], got["ms"]
    if got["problems"]:
        raise RuntimeError("the page: %s" % "; ".join(got["problems"]))
    if len(rows) != len(sent):
        raise RuntimeError("%d keys sent, %d key rows in the journal" % (len(sent), len(rows)))
    return [(rows[i] - rows[i - 1]) - (sent[i] - sent[i - 1]) for i in range(1, len(sent))]


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("build", choices=("sdl", "wine", "web", "dosbox"))
    p.add_argument("--cycles", type=int, default=7800, help="DOSBox's fixed cycles (7,800: a 386DX-33)")
    p.add_argument("--exe", required=True)
    p.add_argument("--wdl", default=os.path.join(ROOT, "build", "tools", "wdl", "wdl"))
    p.add_argument("--sample", default=os.path.join(ROOT, "build", "data", "ru", "MERIDOKA.WDL"))
    p.add_argument("--items", type=int, default=0)
    p.add_argument("--runs", type=int, default=1)
    p.add_argument("--displays", default="60-69")
    p.add_argument("--seed", type=int, default=1)
    args = p.parse_args()
    first, last = (int(n) for n in args.displays.split("-"))
    # the right answer to every item, so the practice items take them
    answers = [item["answer"] for item in sample_items(args.wdl, args.sample)]
    args.all_items = len(answers)
    if args.items:
        answers = answers[:args.items]
    rng = random.Random(args.seed)
    work = tempfile.mkdtemp(prefix="meridoka-key-timing-")
    errors = []
    try:
        for _ in range(args.runs):  # each run on a fresh X server, or in a fresh browser
            if args.build == "web":
                errors += one_page_run(args, answers, work, rng)
                continue
            x = XServer(free_display(range(first, last + 1)))
            env = dict(x.env(), WINEPREFIX=os.path.join(work, "prefix"), WINEDEBUG="-all",
                       WINEDLLOVERRIDES="mscoree,mshtml=")
            try:
                if args.build == "wine" and not os.path.isdir(os.path.join(work, "prefix")):
                    subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=120)
                    subprocess.run([WINESERVER, "-w"], env=env, timeout=60)
                errors += one_run(args, x, Keys(x), answers, work, rng)
            finally:
                if args.build == "wine":
                    subprocess.run([WINESERVER, "-k"], env=env, stderr=subprocess.DEVNULL)
                x.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    size = sorted(abs(e) for e in errors)
    build = args.build if args.build != "dosbox" else "dosbox at %d cycles" % args.cycles
    print("key timing, %s: |journal interval - sent interval| over %d intervals: median %.1f ms, "
          "95th percentile %.1f ms, 99th percentile %.1f ms, worst %.1f ms; mean signed %+.1f ms"
          % (build, len(size), statistics.median(size), percentile(size, 95), percentile(size, 99),
             size[-1], statistics.mean(errors)))


if __name__ == "__main__":
    main()
