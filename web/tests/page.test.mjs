// The page's plain parts under Node.js: the working folder behind the file
// layer, and the key map. Run: node --test web/tests/
import assert from 'node:assert/strict';
import test from 'node:test';
import { Folder } from '../page/folder.js';
import { isSystemKey, scanCodes } from '../page/scancodes.js';

const bytes = (text) => new TextEncoder().encode(text);
const text = (b) => new TextDecoder().decode(b);

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
