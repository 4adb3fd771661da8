// The page's plain parts under Node.js: the working folder behind the file
// layer, the key map, what the page reads in journals, and the program's
// rules the page asks of the module (built by web/build.sh into
// MERIDOKA_WEB_DIR, build-web by default). Run:
// node --test web/tests/page.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import test from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { Folder } from '../page/folder.js';
import { isSystemKey, scanCodes } from '../page/scancodes.js';
import { crc32, resumable, rows } from '../page/journal.js';
import { openCore, quoted } from '../page/core.js';
import { readSettings } from '../page/settings.js';

const bytes = (text) => new TextEncoder().encode(text);
const text = (b) => new TextDecoder().decode(b);

const webDir = resolve(process.env.MERIDOKA_WEB_DIR || 'build-web');
const { default: createMeridoka } = await import(pathToFileURL(join(webDir, 'meridoka.js')));
const core = await openCore(createMeridoka, await WebAssembly.compile(readFileSync(join(webDir, 'meridoka.wasm'))));

test('the folder keeps files as the file layer of the other builds does', () => {
  const closed = [];
  const folder = new Folder((name, b) => closed.push([name, text(b)]));
  folder.put('MERIDOKA.WDL', bytes('archive'));

  assert.equal(folder.open('missing.txt', 1, 0, 0), 0, 'reading a missing file fails');
  assert.equal(folder.exists('meridoka.wdl'), 1, 'names in any case');
  const r = folder.open('meridoka.wdl', 1, 0, 0);
  assert.equal(folder.open('MERIDOKA.WDL', 1, 0, 0), 0, 'no second open while it is open');
  const into = new Uint8Array(4);
  assert.equal(folder.read(r, into), 4);
  assert.equal(text(into), 'arch');
  folder.seek(r, -2, 2);
  assert.equal(folder.tell(r), 5);
  assert.equal(folder.read(r, new Uint8Array(10)), 2, 'a read stops at the end');
  assert.equal(folder.write(r, bytes('x')), 0, 'no writing through a read handle');
  assert.equal(folder.close(r), 0);
  assert.equal(folder.close(r), -1, 'a handle closes once');
  assert.deepEqual(closed, [], 'reading tells no one');

  const w = folder.open('RESULT-W.TXT', 0, 1, 1);
  folder.write(w, bytes('first line\r\n'));
  folder.write(w, bytes('second\r\n'));
  folder.close(w);
  const again = folder.open('result-w.txt', 0, 1, 1);
  assert.equal(folder.tell(again), 0);
  folder.write(again, bytes('new'));
  folder.close(again);
  assert.equal(text(folder.get('RESULT-W.TXT')), 'new', '"w" truncates');
  assert.deepEqual(closed, [['RESULT-W.TXT', 'first line\r\nsecond\r\n'], ['RESULT-W.TXT', 'new']]);
  assert.deepEqual(folder.names().sort(), ['MERIDOKA.WDL', 'RESULT-W.TXT']);
});

test('the folder: new files only, commits, truncation, renaming over, deleting', () => {
  const saved = [], removed = [];
  const folder = new Folder((name, b) => { saved.push([name, text(b)]); return 'stored'; }, (name) => removed.push(name));
  folder.put('S0000001.CSV', bytes('old'));
  assert.equal(folder.open('s0000001.csv', 0, 1, 1, 1), 0, '"x" fails on a name in use');
  const j = folder.open('S0000002.CSV', 1, 1, 1, 1);
  folder.write(j, bytes('row 1\r\nrow 2 cut'));
  assert.equal(folder.commit(j), 'stored', 'a commit hands the bytes over and answers what the page answers');
  assert.equal(folder.truncate(j, 7), 0);
  assert.equal(folder.tell(j), 7, 'the position goes to the new end');
  folder.write(j, bytes('row 2\r\n'));
  folder.close(j);
  // a cut is told at once (rows sent on must not start inside the next ones)
  assert.deepEqual(saved.map(([, t]) => t), ['row 1\r\nrow 2 cut', 'row 1\r\n', 'row 1\r\nrow 2\r\n']);
  assert.equal(folder.name(2), null);
  assert.deepEqual([0, 1].map((i) => folder.name(i)).sort(), ['S0000001.CSV', 'S0000002.CSV']);

  const t = folder.open('RESULT-W.TMP', 0, 1, 1);
  folder.write(t, bytes('result'));
  assert.equal(folder.replace('RESULT-W.TMP', 'RESULT-W.TXT'), -1, 'an open file is not renamed');
  folder.close(t);
  assert.equal(folder.replace('RESULT-W.TMP', 'RESULT-W.TXT'), 0);
  assert.equal(text(folder.get('RESULT-W.TXT')), 'result');
  assert.equal(folder.exists('RESULT-W.TMP'), 0);
  assert.equal(folder.delete('RESULT-W.TMP'), -1, 'nothing to delete');
  assert.equal(folder.delete('S0000001.CSV'), 0);
  assert.deepEqual(removed, ['RESULT-W.TMP', 'S0000001.CSV']);
});

// A journal of a 3-item test for `participant` and this archive, its rows
// up to `last`, ended `endedBy` (null: cut short). Its header row is the
// program's own, and the fields go in by their names there: the page reads
// the journals the program writes.
const archive = bytes('the archive');
const columns = core.journalHeader.replace(/^\ufeff/, '').replace(/\r\n$/, '').split(',');
function journal(participant, answered, endedBy, crc = crc32(archive)) {
  const row = (event, item, extra = {}) => {
    const named = { session: '0123456789abcdef', participant, event, ms: '0', local_time: '2026-12-08T10:15:02', item, ...extra };
    for (const name of Object.keys(named)) assert.ok(columns.includes(name), `the journal has a column ${name}`);
    return columns.map((c) => named[c] ?? '').join(',') + '\r\n';
  };
  let text = core.journalHeader + row('session_start', '', { archive_crc32: crc, items: '3' });
  for (let i = 1; i <= answered; i++)
    text += row('item_shown', i, { item_text: `"Item ${i}, ""quoted""\r\nsecond line"` }) + row('answer_confirmed', i, { right: '1' });
  if (endedBy) text += row('session_end', '', { ended_by: endedBy });
  return bytes(text);
}

test('journals: rows, CRC-32, which session the page offers to resume', () => {
  assert.equal(crc32(bytes('123456789')), 'cbf43926');
  const j = journal('P1', 1, null);
  const all = rows(j);
  assert.equal(all.length, 4);
  assert.ok(core.journalHeader.startsWith('\ufeffsession,'), 'a row is sent under its first field, the session ID');
  assert.equal(all[2].fields[columns.indexOf('item_text')], 'Item 1, "quoted"\r\nsecond line', 'quoted fields, CR LF inside');
  assert.deepEqual(rows(j, all[2].start).map((r) => r.fields[columns.indexOf('event')]), ['item_shown', 'answer_confirmed'],
                   'from a row on');
  assert.equal(rows(bytes(text(j) + 'cut,row')).length, 4, 'a cut last row is no row');

  const offered = (files, participant = 'P1', a = archive) => {
    const folder = new Folder();
    for (const [name, b] of Object.entries(files)) folder.put(name, b);
    return resumable(folder, participant, a, core.judgeJournal);
  };
  const crashed = offered({ 'S0000001.CSV': journal('P1', 1, null) });
  assert.deepEqual([crashed.name, crashed.answered, crashed.items, crashed.cutTo], ['S0000001.CSV', 1, 3, null]);
  const left = offered({ 'S0000002.CSV': journal('P1', 2, 'closed') });
  assert.equal(left.cutTo, rows(journal('P1', 2, 'closed')).pop().start, 'a page left: its session_end goes');
  assert.equal(offered({ 'S0000001.CSV': journal('P1', 2, 'esc') }), null, 'Esc ends a session for good');
  assert.equal(offered({ 'S0000001.CSV': journal('P1', 3, 'closed') }), null, 'every item answered');
  assert.equal(offered({ 'S0000001.CSV': journal('P1', 1, null) }, 'P2'), null, 'another participant');
  assert.equal(offered({ 'S0000001.CSV': journal('P1', 1, null) }, 'P1', bytes('another')), null, 'another archive');
  assert.equal(offered({ 'S0000001.CSV': journal('P1', 1, null), 'S0000002.CSV': journal('P1', 3, 'completed') }), null,
               'only the latest session counts');
  assert.equal(offered({ 'S0000003.CSV': journal('P1', 1, null), 's0000002.csv': journal('P2', 1, null) }).name,
               'S0000003.CSV', "the participant's latest");
});

// The journals every reader must judge alike (tests/journals/make_tricky.py;
// the runner's resume and the store's add judge them in
// tests/e2e/journal_rules.py): the page's judgement is the module's.
test('tricky journals: the page judges them as the runner and the store do', () => {
  const dir = mkdtempSync(join(tmpdir(), 'tricky-'));
  try {
    const maker = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'tests', 'journals', 'make_tricky.py');
    const made = spawnSync('python3', [maker, dir, '--crc', crc32(archive)]);
    assert.equal(made.status, 0, String(made.stderr));
    const verdicts = JSON.parse(readFileSync(join(dir, 'verdicts.json'), 'utf8'));
    for (const [name, v] of Object.entries(verdicts)) {
      const data = new Uint8Array(readFileSync(join(dir, name)));
      const j = core.judgeJournal(data);
      assert.equal(j.state, v.state, `${name}: ${v.why}`);
      if (v.state !== 'damaged') assert.equal(j.answered, v.answered, `${name}: answered`);
      assert.equal(j.cutTo, v.cut_to, `${name}: where a resumed page cuts`);
      const folder = new Folder();
      folder.put(name, data);
      const offer = resumable(folder, 'P1', archive, core.judgeJournal);
      assert.equal(offer !== null, v.state === 'open' || v.state === 'left', `${name}: offered`);
    }
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});

test('key codes: the digit row answers on any layout, the keypad does not', () => {
  for (let d = 1; d <= 9; d++) assert.equal(scanCodes[`Digit${d}`], d + 1);
  for (let d = 0; d <= 9; d++) assert.ok(scanCodes[`Numpad${d}`] > 10, `Numpad${d} is no digit to the test`);
  assert.equal(scanCodes.Escape, 1);
  assert.equal(scanCodes.Enter, 28);
  assert.equal(scanCodes.NumpadEnter, 28);
  assert.equal(scanCodes.F12, 88);

  const key = (code, mods = {}) => ({ code, altKey: false, ctrlKey: false, ...mods });
  assert.ok(isSystemKey(key('Digit1', { altKey: true })), 'Alt+1 never reaches the test');
  assert.ok(!isSystemKey(key('Digit1', { altKey: true, ctrlKey: true })), 'AltGr (Ctrl+Alt) keys do');
  assert.ok(isSystemKey(key('F10')));
  assert.ok(isSystemKey(key('AltLeft')));
  assert.ok(!isSystemKey(key('Digit1')));
});

// An archive of these entries ({ NAME: bytes }), each stored as LZSS
// literals when `packed` (a flag byte of eight set bits before each eight).
function archiveOf(entries, packed = false) {
  const parts = [], directory = [];
  let at = 12;
  for (const [name, data] of Object.entries(entries)) {
    let stored = data;
    if (packed) {
      stored = [];
      for (let i = 0; i < data.length; i += 8) stored.push(0xff, ...data.subarray(i, i + 8));
      stored = Uint8Array.from(stored);
    }
    directory.push({ name, at, stored: stored.length, size: packed ? data.length : 0 });
    parts.push(stored);
    at += stored.length;
  }
  const out = new Uint8Array(at + 16 * directory.length), view = new DataView(out.buffer);
  out.set(bytes('WDLZ'));
  view.setUint16(4, directory.length, true);
  view.setUint32(8, at, true);
  parts.reduce((offset, p) => (out.set(p, offset), offset + p.length), 12);
  directory.forEach((e, n) => {
    const d = at + 16 * n;
    view.setUint32(d, e.at, true);
    view.setUint16(d + 4, e.stored, true);
    view.setUint16(d + 6, e.size, true);
    out.set(bytes(e.name), d + 8);
  });
  return out;
}

test("archives, as the program reads them: told from other files by their first bytes; their language from their texts", () => {
  const russian = Uint8Array.from([0x01, 0x00, 0x05, 0x00, 0x8f, 0xe0, 0xa8, 0xa2, 0x00]);  // CP866 "Прив"
  const english = Uint8Array.from([0x01, 0x00, 0x03, 0x00, 0x48, 0x69, 0x00]);
  assert.ok(core.isArchive(archiveOf({ MESSAGES: english }).subarray(0, 12)));
  assert.ok(!core.isArchive(bytes('Not a test archive, just text.')));
  assert.ok(!core.isArchive(bytes('wdlz in small letters')));
  assert.ok(!core.isArchive(new Uint8Array(0)), 'an empty file');
  assert.equal(core.language(archiveOf({ DOS8X8RU: new Uint8Array(20).fill(0xa0), MESSAGES: english })), 'en',
               'bytes of a font or picture are no text');
  assert.equal(core.language(archiveOf({ MESSAGES: russian })), 'ru');
  const long = new Uint8Array(4 + 0x90).fill(0x41);
  long.set([0x01, 0x00, 0x90, 0x00]);
  assert.equal(core.language(archiveOf({ MESSAGES: long })), 'en', 'a length is no letter');
  assert.equal(core.language(archiveOf({ MESSAGES: russian }, true)), 'ru', 'a packed entry');
  assert.equal(core.language(archiveOf({ MESSAGES: english, TESTTEXT: russian.subarray(4) }, true)), 'ru');
  const boxes = Uint8Array.from([0x01, 0x00, 0x04, 0x00, 0xb0, 0xc4, 0xdb, 0x00]);  // shades, lines, a block
  assert.equal(core.language(archiveOf({ MESSAGES: boxes })), 'en', 'box drawing is no letter');
  assert.equal(core.language(bytes('WDLZ and then nonsense')), 'en');
  assert.equal(core.language(null), 'en', 'no archive');
  assert.equal(core.language(readFileSync(join(webDir, 'MERIDOKA.WDL'))), 'ru', "the sample, by the archive tool");
  assert.ok(core.isArchive(readFileSync(join(webDir, 'MERIDOKA.WDL')).subarray(0, 12)));
});

test('participant IDs in the page\'s address: the options the page gives are refused as the program refuses them', () => {
  const refused = (id) => core.refuses(quoted(`/P:${id}`));
  for (const id of ['P017', 'a', '!', '~', 'x'.repeat(32), 'a"b', '"', 'a""b', '/P:x', '#1&2?', '\\'])
    assert.equal(refused(id), false, `${JSON.stringify(id)} is taken`);
  for (const id of ['', 'x'.repeat(33), 'a'.repeat(500), 'a b', ' a', 'tab\t', 'caf\u00e9', '\u042f', '\u007f', 'a\u0000b'])
    assert.equal(refused(id), true, `${JSON.stringify(id)} is refused`);
  assert.equal(core.refuses(''), false, 'no options, no refusal');
});

test('settings: over the defaults; a postUrl that is no web address is named', async () => {
  globalThis.location = new URL('https://lab.example/s/KEY/index.html');
  const read = (own) => readSettings(Promise.resolve(own === null ? null : { ok: true, json: async () => own }));
  assert.deepEqual(await read(null), { postUrl: '', postRetryMs: 1000, offlineAllowed: false, language: '', problem: null });
  const set = await read({ postUrl: '../../rows?lab=3', offlineAllowed: true, language: 'ru' });
  assert.equal(set.postUrl, 'https://lab.example/rows?lab=3', 'relative to the page');
  assert.equal(set.offlineAllowed, true);
  assert.equal(set.language, 'ru');
  for (const bad of ['htp://lab.example/rows', 'javascript:alert(1)', 'https://lab example/rows', 'http://[::1/rows'])
    assert.equal((await read({ postUrl: bad })).problem, bad, bad);
  assert.equal((await read({ language: 'de' })).language, '', 'only the two languages');
  assert.deepEqual(await readSettings(Promise.reject(new Error('offline'))), await read(null));
});
