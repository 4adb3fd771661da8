// Each journal row, also sent to the lab's server (the page's setting
// postUrl): one POST per row, in the order written, retried in the
// background until the server takes it; the test never waits for it. The
// rows not yet taken are kept in localStorage, so the next page of this
// site goes on sending them. The request (web/README.md, "Sending rows"):
//   POST postUrl?session=ID&journal=S0000001.CSV&row=N
//   Content-Type: text/plain;charset=UTF-8, body: the CSV row with its CR LF
// N counts the rows sent for that journal from 1: (session, N) names a row.

import { isJournal, rows } from './journal.js';

const key = 'meridoka-post';
const decoder = new TextDecoder();

export class Poster {
  constructor(url, retryMs = 1000) {
    this.url = url;
    this.retryMs = retryMs;
    const kept = url && JSON.parse(localStorage.getItem(key) || 'null');
    this.queue = kept ? kept.queue : [];     // { session, journal, row, text }
    this.sent = kept ? kept.sent : {};       // journal -> { bytes: taken so far, rows: numbered so far }
    this.delay = 0;
    this.timer = null;
    this.busy = false;
    this.accepted = 0;                       // rows the server took (the test hook)
    if (this.url) this.next();
  }

  keep() {
    localStorage.setItem(key, JSON.stringify({ queue: this.queue, sent: this.sent }));
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
    this.next();
  }

  next() {
    if (this.busy || this.timer || !this.queue.length) return;
    const row = this.queue[0];
    const query = new URLSearchParams({ session: row.session, journal: row.journal, row: String(row.row) });
    const url = this.url + (this.url.includes('?') ? '&' : '?') + query;
    this.busy = true;
    fetch(url, { method: 'POST', body: row.text, headers: { 'Content-Type': 'text/plain;charset=UTF-8' }, keepalive: true })
      .then((response) => response.ok, () => false)
      .then((ok) => {
        this.busy = false;
        if (ok) {
          this.queue.shift();
          this.accepted++;
          this.keep();
          this.delay = 0;
          return this.next();
        }
        // 1 s, 2 s, 4 s ... up to a minute between tries
        this.delay = Math.min(this.delay ? this.delay * 2 : this.retryMs, 60000);
        this.timer = setTimeout(() => { this.timer = null; this.next(); }, this.delay);
      });
  }

  pending() {
    return this.queue.length;
  }
}
