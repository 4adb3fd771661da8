// What the page reads in the session journals the program keeps in its
// working folder (README, "Session journals"): whether the latest session
// of a participant can be taken up again (by the program's rules), and the
// rows to send on.

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
// What its rows make of the session is the program's own judgement
// (`judge`: core.js's judgeJournal): a session cut short (a crash) is taken
// up again, and so is one that ended because the page was left before its
// last item, its ending row cut off first (cutTo: its offset). A
// damaged journal of the participant is offered no more than the program
// would resume it; one whose participant cannot be read is passed over.
export function resumable(folder, participant, archive, judge) {
  const names = folder.names().filter(isJournal).sort((a, b) => a.toUpperCase().localeCompare(b.toUpperCase()));
  for (const name of names.reverse()) {
    const j = judge(folder.get(name));
    if (j.participant !== participant || (j.state === 'damaged' && !j.session)) continue;
    if (j.state !== 'open' && j.state !== 'left') return null;
    if (!archive || j.archive !== crc32(archive)) return null;
    return { name, participant, started: j.started, answered: j.answered, items: j.items, cutTo: j.cutTo };
  }
  return null;
}
