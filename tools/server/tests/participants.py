#!/usr/bin/env python3
"""Simulated participants sending their journal rows to a study link the
way the page does: one row at a time, in order, each tried again (after
50 ms, then longer) until the server answers 2xx, whatever happens to the
server meanwhile. Prints the rows acknowledged and the time taken.

    participants.py BASE_URL CRC PARTICIPANTS ROWS
"""
import sys
import threading
import time
import urllib.error
import urllib.request

base, crc, participants, rows = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
acknowledged = 0
lock = threading.Lock()


def body(session, n):
    event = 'session_start' if n == 1 else 'session_end' if n == rows else 'item_shown'
    return (f'{session},F{session[-4:]},{event},{n * 100},2026-12-09T10:00:00,{n},,,,,,,,row {n},meridoka,1.0.0,web,'
            f'77930,{crc if n == 1 else ""},40,performance.now,5,{"completed" if n == rows else ""},,,,\r\n').encode()


def participant(p):
    global acknowledged
    session = f'{0xfa000000 + p:016x}'
    for n in range(1, rows + 1):
        wait = 0.05
        while True:
            url = f'{base}rows?session={session}&journal=S0000001.CSV&row={n}'
            request = urllib.request.Request(url, data=body(session, n), method='POST',
                                             headers={'Content-Type': 'text/plain;charset=UTF-8'})
            try:
                with urllib.request.urlopen(request, timeout=5) as answer:
                    if 200 <= answer.status < 300:
                        break
            except (urllib.error.URLError, OSError, ConnectionError):
                pass
            time.sleep(wait)
            wait = min(wait * 2, 1.0)
        with lock:
            acknowledged += 1


start = time.time()
threads = [threading.Thread(target=participant, args=(p,)) for p in range(participants)]
for t in threads:
    t.start()
for t in threads:
    t.join()
print(f'{acknowledged} rows acknowledged in {time.time() - start:.1f} s')
