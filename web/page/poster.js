// Each journal row, also sent to the lab's server (the setting postUrl):
// one POST per row, in the order written, retried in the background until
// the server takes it; the test never waits for it. The rows not yet taken
// are kept in localStorage, so the next page of this site goes on sending
// them; when the page is left, every row not taken goes at once with a
// request that outlives the page (keepalive). The request (web/README.md,
// "Sending rows"):
//   POST postUrl?session=ID&journal=S0000001.CSV&row=N
//   Content-Type: text/plain;charset=UTF-8, body: the CSV row with its CR LF
// N counts the rows sent for that journal from 1: (session, N) names a row.

import { isJournal, rows } from './journal.js';

const key = 'meridoka-post';
const decoder = new TextDecoder();
const type = 'text/plain;charset=UTF-8';

export class Poster {
  // onChange(): the server was lost or found again, or the queue emptied.
  constructor(url, retryMs = 1000, onChange = () => {}) {
    this.url = url;
    this.retryMs = retryMs;
    this.onChange = onChange;
    const kept = url && JSON.parse(localStorage.getItem(key) || 'null');
    this.queue = kept ? kept.queue : [];     // { session, journal, row, text }
    this.sent = kept ? kept.sent : {};       // journal -> { bytes: taken so far, rows: numbered so far }
    this.delay = 0;
    this.timer = null;
    this.busy = false;
    this.failing = false;                    // the last try failed
    this.accepted = 0;                       // rows the server took (the test hook)
    this.left = false;
    this.flown = new Set();                  // rows sent as the page went away
    if (this.url) this.next();
  }

  keep() {
    localStorage.setItem(key, JSON.stringify({ queue: this.queue, sent: this.sent }));
  }

  address(query) {
    return this.url + (this.url.includes('?') ? '&' : '?') + new URLSearchParams(query);
  }

  // Whether the server answers (a POST with ?probe=1 and no body): a few
  // tries, retryMs, then twice as long, apart.
  async reachable(tries = 4) {
    for (let n = 0, wait = this.retryMs; n < tries; n++, wait *= 2) {
      const ok = await fetch(this.address({ probe: '1' }), { method: 'POST', body: '', headers: { 'Content-Type': type } })
        .then((r) => r.ok, () => false);
      if (ok) return true;
      if (n + 1 < tries) await new Promise((r) => setTimeout(r, wait));
    }
    return false;
  }

  // A journal was saved: its new whole rows join the queue. A journal cut
  // back (a resume) goes on from its new end; the rows keep counting.
  update(name, bytes) {
    if (!this.url || !isJournal(name)) return;
    const at = this.sent[name.toUpperCase()] || { bytes: 0, rows: 0 };
    if (bytes.length < at.bytes) at.bytes = bytes.length;
    // the header row is not sent (its names are documented)
    const fresh = rows(bytes, at.bytes).slice(at.bytes ? 0 : 1);
    for (const row of fresh) {
      const text = decoder.decode(bytes.subarray(row.start, row.end));
      this.queue.push({ session: row.fields[0], journal: name.toUpperCase(), row: ++at.rows, text });
    }
    if (fresh.length) at.bytes = fresh[fresh.length - 1].end;
    else if (!at.bytes) return;
    this.sent[name.toUpperCase()] = at;
    this.keep();
    if (this.left) this.sendAll();
    else this.next();
  }

  // A journal that is gone (a session dropped before its first item, or
  // the kept files cleared): its rows not yet sent go, and a journal of
  // the same name counts from 1 again.
  forget(name) {
    const journal = name.toUpperCase();
    const first = this.busy ? this.queue.slice(0, 1) : [];
    this.queue = first.concat(this.queue.slice(first.length).filter((r) => r.journal !== journal));
    delete this.sent[journal];
    this.keep();
    this.onChange();
  }

  request(row, keepalive) {
    const url = this.address({ session: row.session, journal: row.journal, row: String(row.row) });
    return fetch(url, { method: 'POST', body: row.text, headers: { 'Content-Type': type }, keepalive });
  }

  next() {
    if (this.busy || this.timer || this.left || !this.queue.length) return;
    const row = this.queue[0];
    this.busy = true;
    this.request(row, true)
      .then((response) => response.ok, () => false)
      .then((ok) => {
        this.busy = false;
        if (ok) {
          if (this.queue[0] === row) this.queue.shift();
          this.accepted++;
          this.keep();
          this.delay = 0;
          this.settle(false);
          return this.next();
        }
        // 1 s, 2 s, 4 s ... up to a minute between tries
        this.delay = Math.min(this.delay ? this.delay * 2 : this.retryMs, 60000);
        this.settle(true);
        this.timer = setTimeout(() => { this.timer = null; this.next(); }, this.delay);
      });
  }

  settle(failing) {
    const changed = failing !== this.failing || !this.queue.length;
    this.failing = failing;
    if (changed) this.onChange();
  }

  // The page is going away: every row not under way now goes with a
  // request that outlives the page (they stay queued: the next page sends
  // again what the server may not have).
  leave() {
    if (!this.url || this.left) return;
    this.left = true;
    this.sendAll();
  }

  sendAll() {
    this.queue.forEach((row, n) => {
      if (this.flown.has(row) || (n === 0 && this.busy)) return;
      this.flown.add(row);
      // beyond the browser's allowance for such requests, a beacon
      this.request(row, true).catch(() => navigator.sendBeacon(
        this.address({ session: row.session, journal: row.journal, row: String(row.row) }), new Blob([row.text], { type })));
    });
  }

  pending() {
    return this.queue.length;
  }
}
