#!/usr/bin/env python3
"""Journals as a lab computer's runner leaves them, for push tests: in
FOLDER, COUNT journals S0000001.CSV ... of one session each (a session_start
then ROWS-1 item_shown rows), and a cut copy of the first (its last row half
written, as after a power cut) as cut/S0000001.CSV. With TEST_JSON (the
test's source, for its item texts), also the result file a runner leaves
for participant R001, R001/RESULT-W.TXT (Windows-1251): five items answered,
three right.

    lab_journals.py FOLDER COUNT ROWS CRC ITEMS [TEST_JSON]
"""
import json
import os
import sys

folder, count, rows, crc, items = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
header = ('\ufeffsession,participant,event,ms,local_time,item,digit,cell,correct_cell,right,rt_ms,first_digit_ms,key,'
          'item_text,program,version,build,archive_bytes,archive_crc32,items,clock,clock_resolution_us,ended_by,'
          'right_total,wrong_total,answered,note\r\n')


def journal(j):
    session = f'{0xab000000 + j:016x}'
    out = header
    for n in range(1, rows + 1):
        event = 'session_start' if n == 1 else 'item_shown'
        item = '' if n == 1 else str(n - 1)
        out += (f'{session},L{j:03},{event},{n * 100},2026-12-09T10:00:00,{item},,,,,,,,,meridoka,1.0.0,dos,'
                f'77930,{crc if n == 1 else ""},{items},bios_ticks,54925,,,,,\r\n')
    return out.encode()


os.makedirs(os.path.join(folder, 'cut'), exist_ok=True)
for j in range(1, count + 1):
    with open(os.path.join(folder, f'S{j:07}.CSV'), 'wb') as f:
        f.write(journal(j))
first = journal(1)
lines = first.split(b'\r\n')
with open(os.path.join(folder, 'cut', 'S0000001.CSV'), 'wb') as f:
    f.write(b'\r\n'.join(lines[:4]) + b'\r\n' + lines[4][:20])  # three whole rows, a fourth cut

if len(sys.argv) > 6:
    texts = [item['text'] for item in json.load(open(sys.argv[6], encoding='utf-8'))['items']]
    marks = '+-++-'
    sheet = 'Results\r\n\r\n'
    for n, text in enumerate(texts):
        sheet += f'{marks[n] if n < len(marks) else " "} | {text}\r\n'
    sheet += f'\r\nTotal: 3(+) 2(-) (5/{len(texts)})\r\n'
    os.makedirs(os.path.join(folder, 'R001'), exist_ok=True)
    with open(os.path.join(folder, 'R001', 'RESULT-W.TXT'), 'wb') as f:
        f.write(sheet.encode('cp1251'))
