// What the page reads in the session journals the program keeps in its
// working folder (README, "Session journals"): whether the latest session
// of a participant can be taken up again, and the rows to send on.

const decoder = new TextDecoder();

export const isJournal = (name) => /^S\d{7}\.CSV$/i.test(name);

// Whole rows (ending in CR LF) of a journal's text, from byte `from` (the
// start of a row), as arrays of fields, each with the byte offsets where
// it starts and ends; RFC 4180 quoting.
export function rows(bytes, from = 0) {
  const out = [];
  let at = from === 0 && bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf ? 3 : from;
  while (at < bytes.length) {
    const fields = [];
    let field = '', quoted = false, i = at, ended = false;
    const start = at;
    for (; i < bytes.length; i++) {
      const c = bytes[i];
      if (quoted) {
        if (c === 0x22 && bytes[i + 1] === 0x22) { field += '"'; i++; } else if (c === 0x22) quoted = false;
        else field += String.fromCharCode(c);
      } else if (c === 0x22) quoted = true;
      else if (c === 0x2c) { fields.push(field); field = ''; }
      else if (c === 0x0d && bytes[i + 1] === 0x0a) { fields.push(field); i += 2; ended = true; break; }
      else field += String.fromCharCode(c);
    }
    if (!ended) break;  // a cut last row
    // the fields were gathered byte by byte: back to UTF-8 text
    out.push({ start, end: i, fields: fields.map((f) => decoder.decode(Uint8Array.from(f, (ch) => ch.charCodeAt(0)))) });
    at = i;
  }
  return out;
}

// CRC-32 (IEEE 802.3) as the journal writes it: 8 lower-case hex digits.
// A byte at a time through a table: a large archive takes a blink, not
// seconds.
const table = Int32Array.from({ length: 256 }, (_, n) => {
  for (let k = 0; k < 8; k++) n = (n >>> 1) ^ (0xedb88320 & -(n & 1));
  return n;
});

export function crc32(bytes) {
  let crc = ~0;
  for (let i = 0; i < bytes.length; i++) crc = (crc >>> 8) ^ table[(crc ^ bytes[i]) & 0xff];
  return ((~crc) >>> 0).toString(16).padStart(8, '0');
}

// The participant's latest journal, when it can be resumed with this
// archive: { name, participant, started, answered, items, cutTo } or null.
// A session without a session_end row was cut short (a crash); one that
// ended because the page was left (`closed`) before its last item is taken
// up again too, its session_end row cut off first (cutTo: its offset).
export function resumable(folder, participant, archive) {
  const names = folder.names().filter(isJournal).sort((a, b) => a.toUpperCase().localeCompare(b.toUpperCase()));
  for (const name of names.reverse()) {
    const all = rows(folder.get(name));
    if (all.length < 2 || all[0].fields[0] !== 'session') continue;
    const column = Object.fromEntries(all[0].fields.map((f, i) => [f, i]));
    const start = all[1].fields, last = all[all.length - 1].fields;
    const get = (row, col) => row[column[col]];
    if (get(start, 'event') !== 'session_start' || get(start, 'participant') !== participant) continue;
    const answered = all.filter((r) => get(r.fields, 'event') === 'answer_confirmed').length;
    const items = Number(get(start, 'items'));
    let cutTo = null;
    if (get(last, 'event') === 'session_end') {
      if (get(last, 'ended_by') !== 'closed' || answered >= items) return null;
      cutTo = all[all.length - 1].start;
    }
    if (!archive || get(start, 'archive_crc32') !== crc32(archive)) return null;
    return { name, participant, started: get(start, 'local_time'), answered, items, cutTo };
  }
  return null;
}
