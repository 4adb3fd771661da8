"""The headless tool in a test folder of its own, for the end-to-end
scripts: a synthetic archive there, and runs with a fixed session ID and
start time (so journals come out the same on every run)."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def make_archive(work, *options):
    """MERIDOKA.WDL in work (tests/e2e/make_test_archive.py); the right digit of every item."""
    return subprocess.run([sys.executable, os.path.join(HERE, "make_test_archive.py"),
                           os.path.join(work, "MERIDOKA.WDL"), *options],
                          check=True, stdout=subprocess.PIPE, text=True).stdout.split()


def run(headless, work, keys_text, *options, check=0):
    """Runs keys_text as the scenario with the program's options; asserts the exit status, returns standard error."""
    scenario = os.path.join(work, "keys.scn")
    with open(scenario, "w") as f:
        f.write(keys_text)
    done = subprocess.run([headless, "--dir", work, "--session-id", "00112233aabbccdd", "--start-time",
                           "2026-01-02T03:04:05", scenario, *options], stderr=subprocess.PIPE, text=True)
    assert done.returncode == check, (options, done.returncode, done.stderr)
    return done.stderr


def answer_keys(answers):
    """Per item: its right digit, 250 ms, Enter."""
    return ["key %s\nwait 250\nkey enter\n" % a for a in answers]


def read(work, name):
    with open(os.path.join(work, name), "rb") as f:
        return f.read()
