#!/usr/bin/env python3
"""Prints a scenario that takes a whole test in ARCHIVE: a screenshot of the
intro and of every item, the right answer to every item except the fourth
(answered wrong, which past the training items counts as a wrong answer).

    answer_scenario.py WDL ARCHIVE

WDL is the archive tool (build/tools/wdl/wdl); it reads the items out of the
archive.
"""
import json
import os
import subprocess
import sys
import tempfile


def items(wdl, archive):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([wdl, "extract", archive, "TESTINFO", "-o", folder], check=True,
                       stdout=subprocess.DEVNULL)
        with open(os.path.join(folder, "test.json"), encoding="utf-8") as f:
            return json.load(f)["items"]


def main():
    lines = ["shot", "key space"]
    for i, item in enumerate(items(sys.argv[1], sys.argv[2])):
        options = len(item["cells"])
        digit = item["answer"]
        if i == 3 and options > 1:
            digit = item["answer"] % options + 1  # a wrong one
        lines += ["shot", f"key {digit}", "key enter"]
    print("\n".join(lines))


if __name__ == "__main__":
    main()
