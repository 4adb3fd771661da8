#!/usr/bin/env python3
"""Writes the tricky journals that every reader of a journal must judge
alike (the runner's resume, the store's add, the page's resume offer), and
verdicts.json: what the session rules make of each.

    make_tricky.py DIR [--crc HEX8] [--bytes N] [--answers DIGITS]

The journals claim the archive given (CRC-32 and size) and its items'
right digits (default: a made-up archive of six items). Verdicts: state
open (can be taken up again), left (the page was left before the last
item: resumable once its session_end row is cut off, at cut_to), ended, or
damaged; answered: the items closed (answers confirmed, and items whose
own time limit ran out: timeouts of them); ended_by where a session ended
otherwise than completed.
"""
import argparse
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from journal_check import HEADER  # noqa: E402  the header row's columns


class Journal:
    def __init__(self, session, args, participant="P1"):
        self.session, self.args, self.participant = session, args, participant
        self.ms = 0
        self.text = "\ufeff" + ",".join(HEADER) + "\r\n"

    def row(self, event, **fields):
        self.ms += 700
        named = dict(session=self.session, participant=self.participant, event=event, ms=str(self.ms),
                     local_time="2026-03-04T10:%02d:%02d" % (self.ms // 60000 % 60, self.ms // 1000 % 60))
        named.update({k: str(v) for k, v in fields.items()})
        self.text += ",".join(named.get(c, "") for c in HEADER) + "\r\n"
        return self

    def start(self):
        a = self.args
        return self.row("session_start", program="meridoka", version="1.0.0", build="headless",
                        archive_bytes=a.bytes, archive_crc32=a.crc, items=len(a.answers), clock="simulated",
                        clock_resolution_us=1000)

    def answer(self, item):
        digit = self.args.answers[item - 1]
        self.row("item_shown", item=item, item_text="Item %d" % item)
        self.row("answer_previewed", item=item, digit=digit, cell=digit)
        return self.row("answer_confirmed", item=item, digit=digit, cell=digit, right=1, rt_ms=1400,
                        first_digit_ms=700)

    def answers(self, first, last):
        for item in range(first, last + 1):
            self.answer(item)
        return self

    def end(self, ended_by, answered):
        return self.row("session_end", ended_by=ended_by, right_total=answered, wrong_total=0, answered=answered)

    def data(self):
        return self.text.encode("utf-8")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("dir")
    p.add_argument("--crc", default="1a2b3c4d")
    p.add_argument("--bytes", default="4321")
    p.add_argument("--answers", default="213421")
    a = p.parse_args()
    a.answers = [int(d) for d in a.answers]
    items = len(a.answers)
    assert items >= 5
    files, verdicts = {}, {}

    def put(name, data, state, answered, why, cut_to=None, **more):
        files[name] = data
        verdicts[name] = dict(state=state, answered=answered, cut_to=cut_to, why=why, **more)

    cut_short = Journal("00000000000000a1", a).start().answers(1, 2).row("item_shown", item=3, item_text="Item 3")
    put("S0000001.CSV", cut_short.data(), "open", 2, "cut short after two answers")
    cut = Journal("00000000000000a2", a).start().answers(1, 2).row("item_shown", item=3, item_text="Item 3")
    put("S0000002.CSV", cut.data() + b"00000000000000a2,P1,answer_previ", "open", 2, "a cut last row")
    put("S0000003.CSV", Journal("00000000000000a3", a).start().answers(1, items).end("completed", items).data(),
        "ended", items, "completed")
    left = Journal("00000000000000a4", a).start().answers(1, 3)
    before_end = len(left.data())
    put("S0000004.CSV", left.end("closed", 3).data(), "left", 3, "the page was left before the last item",
        cut_to=before_end)
    # resumed in the browser; the lab's server got the left page's session_end too
    # (the resumed page times its rows on from the last row it kept, so the
    # interruption's ms is below the withdrawn session_end's)
    resumed = Journal("00000000000000a5", a).start().answers(1, 3)
    kept_ms = resumed.ms
    resumed.end("closed", 3)
    resumed.row("session_interrupted", ms=kept_ms).row("session_resumed", item=4, note="web").answer(4)
    put("S0000005.CSV", resumed.data(), "open", 4, "resumed after the page was left: its session_end in the middle")
    after_esc = Journal("00000000000000a6", a).start().answers(1, 3).end("esc", 3).row("item_shown", item=4)
    put("S0000006.CSV", after_esc.data(), "damaged", 3, "a row after session_end (esc)")
    twice = Journal("00000000000000a7", a).start().answers(1, 2)
    rows = twice.data()[len(("\ufeff" + ",".join(HEADER) + "\r\n").encode()):]
    put("S0000007.CSV", twice.data() + rows, "damaged", 2, "the same session twice in one file")
    whole = cut_short.data()
    middle = whole.index(b"answer_previewed")
    broken = whole[:middle + 20] + whole[whole.index(b"\r\n", middle):]
    put("S0000008.CSV", broken, "damaged", 1, "a row cut in the middle of the journal")
    put("S0000009.CSV", cut_short.data(), "open", 2, "a copy of S0000001.CSV: the same session seen twice")
    # time limits: an item closed by its own limit counts as closed; a test's limit ends the session
    timed = Journal("00000000000000aa", a).start().answer(1).row("item_shown", item=2, item_text="Item 2")
    timed.row("item_timeout", item=2).answer(3)
    put("S0000010.CSV", timed.data(), "open", 3, "item 2 closed by its time limit", timeouts=1)
    up = Journal("00000000000000ab", a).start().answers(1, 3).row("item_shown", item=4, item_text="Item 4")
    up.row("time_up", item=4).end("time_limit", 3)
    put("S0000011.CSV", up.data(), "ended", 3, "the test's time limit ran out on item 4", ended_by="time_limit")
    early = Journal("00000000000000ac", a).start().answer(1).row("item_timeout", item=3)
    put("S0000012.CSV", early.data(), "damaged", 1, "item 3 timed out before item 2 closed")

    os.makedirs(a.dir, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(a.dir, name), "wb") as f:
            f.write(data)
    with open(os.path.join(a.dir, "verdicts.json"), "w") as f:
        json.dump(verdicts, f, indent=1)


if __name__ == "__main__":
    main()
