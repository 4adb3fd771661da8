#!/usr/bin/env python3
"""Every journal's rows in FOLDER as a collecting server keeps them
(journal_rows, numbered from 1), into the SQLite store STORE; the last row
of the first HOLD sessions is held back and written to HELD (session, row,
body per line, tab-separated, the body's CR LF as \\r\\n) to arrive later.

    collected_rows.py STORE FOLDER HOLD HELD
    collected_rows.py STORE --arrive HELD     the held rows arrive
"""
import glob
import sqlite3
import sys

if sys.argv[2] == '--arrive':
    db = sqlite3.connect(sys.argv[1])
    for line in open(sys.argv[3]):
        s, n, b = line.rstrip('\n').split('\t')
        db.execute('INSERT INTO journal_rows (session, row_number, body) VALUES (?, ?, ?)', (s, int(n), b + '\r\n'))
    db.commit()
    sys.exit(0)
store, folder, hold, held_file = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
rows, held = [], []
for j, path in enumerate(sorted(glob.glob(folder + '/*/S*.CSV'))):
    lines = [line for line in open(path, 'rb').read().decode('utf-8').split('\r\n')[1:] if line]
    session = lines[0].split(',', 1)[0]
    body = [(session, n + 1, line + '\r\n') for n, line in enumerate(lines)]
    if j < hold:
        held.append(body.pop())
    rows += body
db = sqlite3.connect(store)
db.executemany('INSERT INTO journal_rows (session, row_number, body) VALUES (?, ?, ?)', rows)
db.commit()
with open(held_file, 'w') as f:
    for s, n, b in held:
        f.write(f'{s}\t{n}\t{b.replace(chr(13), "").rstrip(chr(10))}\n')
print(len(rows), 'rows kept,', len(held), 'held back')
