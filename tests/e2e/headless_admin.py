#!/usr/bin/env python3
"""The administration settings end to end on the headless tool: the ID
screen (tests/e2e/id-screen.scn) makes the session's participant as /P:
does, Esc there ends without a session; the resume offer continues the
unfinished session (as /R) or starts a new one and leaves the old journal
alone; a damaged settings entry is refused with the resources message.

    headless_admin.py HEADLESS
"""
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import headless_session  # noqa: E402
import journal_check  # noqa: E402

with open(os.path.join(HERE, "id-screen.scn")) as f:
    ID_KEYS = f.read()


def main():
    headless = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        def make(*options):
            return headless_session.make_archive(work, "--items", "4", *options)

        answers = make("--ask-id", "required", "--offer-resume", "--id-length", "6")
        keys = headless_session.answer_keys(answers)

        def run(keys_text, *options, check=0):
            return headless_session.run(headless, work, keys_text, *options, check=check)

        def read(name):
            return headless_session.read(work, name)

        def journals():
            return sorted(n for n in os.listdir(work) if n.endswith(".CSV"))

        # Esc on the ID screen: no session at all
        run("key a\nkey esc\n")
        assert journals() == [] and not os.path.exists(os.path.join(work, "RESULT-W.TXT")), os.listdir(work)

        # the typed ID is the participant; two answers, then the power goes (its session_end row is cut)
        run(ID_KEYS + "key space\n" + "".join(keys[:2]) + "close\n")
        rows, _ = journal_check.read(os.path.join(work, "S0000001.CSV"))
        assert {r["participant"] for r in rows} == {"P-17"}, rows[0]
        assert os.path.exists(os.path.join(work, "00000001.bmp")), "the ID screen's screenshot"
        first = read("S0000001.CSV")
        first = first[:first.rindex(b"\r\n", 0, len(first) - 2) + 2]
        with open(os.path.join(work, "S0000001.CSV"), "wb") as f:
            f.write(first)
        os.remove(os.path.join(work, "RESULT-W.TXT"))

        # another participant is not offered P-17's session: a new one begins
        run("key q\nkey enter\nkey space\nkey esc\n")
        rows, _ = journal_check.read(os.path.join(work, "S0000002.CSV"))
        assert rows[0]["participant"] == "Q" and read("S0000001.CSV") == first
        os.remove(os.path.join(work, "S0000002.CSV"))

        # the offer: Esc ends without a session; 2 starts a new one, the old journal stays as it is
        run("key p\nkey -\nkey 1\nkey 7\nkey enter\nkey esc\n")
        assert journals() == ["S0000001.CSV"], os.listdir(work)
        run("key p\nkey -\nkey 1\nkey 7\nkey enter\nkey 2\nkey space\n" + "".join(keys))
        assert journals() == ["S0000001.CSV", "S0000002.CSV"] and read("S0000001.CSV") == first
        rows, _ = journal_check.read(os.path.join(work, "S0000002.CSV"))
        journal_check.validate("S0000002.CSV", rows, ended=True)
        assert rows[0]["participant"] == "P-17"
        whole = read("RESULT-W.TXT")

        # 1 continues the unfinished one as /R does, to the same result
        os.remove(os.path.join(work, "RESULT-W.TXT"))
        run("key p\nkey -\nkey 1\nkey 7\nkey enter\nkey 1\n" + "".join(keys[2:]))
        rows, _ = journal_check.read(os.path.join(work, "S0000001.CSV"))
        journal_check.validate("S0000001.CSV", rows, ended=True)
        assert read("RESULT-W.TXT") == whole, "the resumed result file differs"
        assert journals() == ["S0000001.CSV", "S0000002.CSV"]

        # /P: skips the ID screen; nothing left to resume, so no offer either
        run("key space\n" + "".join(keys), "/P:Q9")
        rows, _ = journal_check.read(os.path.join(work, "S0000003.CSV"))
        assert rows[0]["participant"] == "Q9" and rows[-1]["event"] == "session_end"

        # a damaged entry (version 2): the resources message, nothing written
        make("--settings-hex", "1400020206030000000000000000010000000000")
        assert "error reading resources" in run("key space\n", check=1)
        make("--settings-hex", "14000102")  # cut short
        assert "error reading resources" in run("key space\n", check=1)
        assert journals() == ["S0000001.CSV", "S0000002.CSV", "S0000003.CSV"]
    print("headless administration: ID screen, resume offer, damaged settings: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
