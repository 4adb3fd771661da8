#!/usr/bin/env python3
"""Simulated participants sending their journal rows to a study link the
way the page does: one row at a time, in order, each tried again (after
50 ms, then longer) until the server answers 2xx, whatever happens to the
server meanwhile. PAUSE seconds between a participant's rows (0: back to
back). Prints the rows acknowledged, the time taken and the answers that
were not 2xx; gives up (exit status 1) after DEADLINE seconds.

    participants.py BASE_URL CRC ITEMS PARTICIPANTS ROWS [PAUSE [DEADLINE]]

CRC and ITEMS: the study's archive's, claimed by each session's first row.
"""
import collections
import sys
import threading
import time
import urllib.error
import urllib.request

base, crc, items, participants, rows = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), int(sys.argv[5])
pause = float(sys.argv[6]) if len(sys.argv) > 6 else 0.0
deadline = time.time() + (float(sys.argv[7]) if len(sys.argv) > 7 else 150.0)
acknowledged = 0
not_taken = collections.Counter()  # status (or 'no answer') -> count
lock = threading.Lock()


def body(session, n):
    event = 'session_start' if n == 1 else 'session_end' if n == rows else 'item_shown'
    return (f'{session},F{session[-4:]},{event},{n * 100},2026-12-09T10:00:00,{n},,,,,,,,row {n},meridoka,1.0.0,web,'
            f'77930,{crc if n == 1 else ""},{items},performance.now,5,{"completed" if n == rows else ""},,,,\r\n').encode()


def participant(p):
    global acknowledged
    session = f'{0xfa000000 + p:016x}'
    for n in range(1, rows + 1):
        wait = 0.05
        while time.time() < deadline:
            url = f'{base}rows?session={session}&journal=S0000001.CSV&row={n}'
            request = urllib.request.Request(url, data=body(session, n), method='POST',
                                             headers={'Content-Type': 'text/plain;charset=UTF-8'})
            status = 'no answer'
            try:
                with urllib.request.urlopen(request, timeout=5) as answer:
                    status = answer.status
            except urllib.error.HTTPError as e:
                status = e.code
            except (urllib.error.URLError, OSError, ConnectionError):
                pass
            if isinstance(status, int) and 200 <= status < 300:
                break
            with lock:
                not_taken[status] += 1
            time.sleep(wait)
            wait = min(wait * 2, 1.0)
        else:
            return
        with lock:
            acknowledged += 1
        time.sleep(pause)


start = time.time()
threads = [threading.Thread(target=participant, args=(p,)) for p in range(participants)]
for t in threads:
    t.start()
for t in threads:
    t.join()
others = ', '.join(f'{n} {s}' for s, n in sorted(not_taken.items(), key=str)) or 'none'
print(f'{acknowledged} rows acknowledged in {time.time() - start:.1f} s; answers not 2xx: {others}')
sys.exit(0 if acknowledged == participants * rows else 1)
