#!/usr/bin/env python3
"""Status 3 of a real program: answers that cannot be kept.

  - a folder the program may not write to (it runs as user nobody): no
    journal can be made, the test is not given, the message says so;
  - a full disk (a tmpfs of two pages: the old result file fills one, the
    journal the other): the result file cannot be written, the old one stays
    whole, the message names the journal that holds the answers. Without the
    right to mount a tmpfs, a file-size limit fills the disk for the journal
    instead (the message then names the result file).

    status3.py --headless build/headless/meridoka-headless [--sdl build/sdl/meridoka]

The headless tool takes a scenario; the Linux program is typed at on the X
display in DISPLAY (the read-only case needs no display: it ends first).
"""
import argparse
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "win32"))
import kill_resume  # noqa: E402
from xscreen import XServer  # noqa: E402

OLD_RESULT = b"the earlier participant's result file\r\n"
NOT_STARTED = "Error: cannot write the session journal in this folder; the test was not started.\n"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def new_folder(work, name, archive):
    folder = os.path.join(work, name)
    os.makedirs(folder)
    shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
    with open(os.path.join(folder, "RESULT-W.TXT"), "wb") as f:
        f.write(OLD_RESULT)
    return folder


def old_result_kept(folder):
    with open(os.path.join(folder, "RESULT-W.TXT"), "rb") as f:
        check(f.read() == OLD_RESULT, "the old result file was changed")


class Runner:
    """Runs the program under test in a folder: the headless tool with a
    scenario of an answer and Esc, or the Linux program typed at the same."""

    def __init__(self, kind, exe, answer, x=None):
        self.kind, self.exe, self.answer, self.x = kind, exe, answer, x

    def run(self, folder, user=None, file_limit=None, display=True):
        def limits():
            if file_limit is not None:
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past it fails instead
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_limit, file_limit))
        prefix = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups"] if user else []
        env = dict(os.environ)
        if not display:
            env.pop("DISPLAY", None)
        if self.kind == "headless":
            scenario = os.path.join(folder, "..", "answer.scn")
            with open(scenario, "w") as f:
                f.write("key space\nkey %d\nkey enter\nkey esc\n" % self.answer)
            run = subprocess.run(prefix + [self.exe, os.path.abspath(scenario)], cwd=folder, env=env,
                                 stderr=subprocess.PIPE, text=True, preexec_fn=limits, timeout=60)
            return run.returncode, run.stderr
        if not display:
            run = subprocess.run(prefix + [self.exe], cwd=folder, env=env, stderr=subprocess.PIPE, text=True,
                                 preexec_fn=limits, timeout=60)
            return run.returncode, run.stderr
        program = kill_resume.Program(self.x, self.exe, env)
        program.prefix, program.preexec = prefix, limits
        proc = program.start(folder)
        try:
            time.sleep(0.4)
            journal = os.path.join(folder, "S0000001.CSV")
            kill_resume.send(self.x, journal, [("space", 1), (str(self.answer), 1), ("Return", 2),
                                               ("Escape", 1)], proc, 1)
            box = self.x.wait_window("Error")  # the message, also on standard error
            time.sleep(0.3)
            program.focus(box)
            self.x.key("Return")
            proc.wait(30)
        finally:
            if proc.poll() is None:
                program.kill(proc)
        with open(os.path.join(folder, "..", os.path.basename(folder) + ".log")) as f:
            return proc.returncode, f.read()


def read_only_folder(runner, work, archive):
    folder = new_folder(work, runner.kind + "-read-only", archive)
    os.chmod(folder, 0o755)  # root's: the user nobody reads, not writes
    status, said = runner.run(folder, user=65534, display=False)
    check(status == 3, "exit status %s, not 3: %s" % (status, said))
    check(NOT_STARTED in said, "the message was %r" % said)
    check(sorted(os.listdir(folder)) == ["MERIDOKA.WDL", "RESULT-W.TXT"], "files were made")
    old_result_kept(folder)
    return "status 3, no journal, old result file kept"


def full_disk(runner, work, archive):
    folder = os.path.join(work, runner.kind + "-full-disk")
    os.makedirs(folder)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=8k", "tmpfs", folder],
                             stderr=subprocess.DEVNULL).returncode == 0
    try:
        if mounted:
            os.symlink(archive, os.path.join(folder, "MERIDOKA.WDL"))  # the archive takes no room
            with open(os.path.join(folder, "RESULT-W.TXT"), "wb") as f:
                f.write(OLD_RESULT)
            status, said = runner.run(folder)
            journal = os.path.join(folder, "S0000001.CSV")
            check(status == 3, "exit status %s, not 3: %s" % (status, said))
            check("Error: cannot write RESULT-W.TXT; the answers are in S0000001.CSV.\n" in said,
                  "the message was %r" % said)
            old_result_kept(folder)
            check(not os.path.exists(os.path.join(folder, "RESULT-W.TMP")), "the temporary file stayed")
            with open(journal, "rb") as f:
                check(b",session_end," in f.read(), "the journal does not hold the whole session")
            return "tmpfs of 8 KB: status 3, the old result file kept, the journal holds the answers"
        shutil.copy(archive, os.path.join(folder, "MERIDOKA.WDL"))
        status, said = runner.run(folder, file_limit=512)
        check(status == 3, "exit status %s, not 3: %s" % (status, said))
        check("Error: cannot write S0000001.CSV; the answers are in RESULT-W.TXT.\n" in said,
              "the message was %r" % said)
        return "no tmpfs may be mounted: a 512-byte file limit: status 3, the message names the journal"
    finally:
        if mounted:
            subprocess.run(["umount", folder])


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--headless", required=True)
    ap.add_argument("--sdl")
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="meridoka-status3-")
    os.chmod(work, 0o755)
    archive = os.path.join(work, "test.wdl")
    answers = subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"), archive,
                              "--items", "3"], check=True, stdout=subprocess.PIPE, text=True).stdout
    answer = int(answers.split()[0])
    # the programs where the user nobody may run them
    programs = [("headless", args.headless)] + ([("sdl", args.sdl)] if args.sdl else [])
    x = XServer(int(os.environ["DISPLAY"].lstrip(":").split(".")[0]), start=False) if args.sdl else None
    failed = 0
    try:
        for kind, exe in programs:
            copy = os.path.join(work, os.path.basename(exe))
            shutil.copy(exe, copy)
            runner = Runner(kind, copy, answer, x)
            for case in (read_only_folder, full_disk):
                name = "%s: %s" % (kind, case.__name__.replace("_", " "))
                try:
                    print("ok   %s: %s" % (name, case(runner, work, archive)))
                except (Failure, RuntimeError, subprocess.SubprocessError, kill_resume.Failure) as e:
                    failed += 1
                    print("FAIL %s: %s" % (name, e))
    finally:
        if x:
            x.close()
    if failed:
        print("status 3: work files in %s" % work)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
