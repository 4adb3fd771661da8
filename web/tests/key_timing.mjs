// The page's half of tests/bench/key_timing.py (`web`): the page from a
// test server on 127.0.0.1 in headless Chromium takes the test while this
// script sends its keys through Chromium's input events (the DevTools
// protocol's Input.dispatchKeyEvent, the path a real key takes from the
// browser process to the page) after the pauses it is given. Prints, as
// JSON, the moment of each key press (performance.now() of this process,
// the middle of the keyDown's round trip) and the journal's ms of the rows
// the keys made (answer_previewed for a digit, answer_confirmed for Enter).
//
//   node web/tests/key_timing.mjs BUILD_WEB ARCHIVE WORK_DIR < plan.json
//   plan.json: {"keys": [["3", 0.41], ["Enter", 0.73], ...], "escape": true}
//              (key names as KeyboardEvent.key, each with the pause before it in seconds)
import { cpSync, mkdirSync, readFileSync, rmSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { performance } from 'node:perf_hooks';
import { openPage, launchChromium } from '../../tests/browser/browser.mjs';
import { fetchLink, until } from './drive.mjs';
import { serve } from './server.mjs';
import { rows } from '../page/journal.js';

const [webDir, archive, work] = process.argv.slice(2).map((a) => resolve(a));
const plan = JSON.parse(readFileSync(0, 'utf8'));
rmSync(work, { recursive: true, force: true });
mkdirSync(work, { recursive: true });
cpSync(webDir, join(work, 'site'), { recursive: true });
cpSync(archive, join(work, 'site', 'MERIDOKA.WDL'));

// What a key's keyDown carries: code, key and the Windows key code.
const event = (key) => {
  if (/^[0-9]$/.test(key)) return { code: `Digit${key}`, key, windowsVirtualKeyCode: key.charCodeAt(0), text: key };
  const named = { Enter: 13, Escape: 27, ' ': 32 };
  return { code: key === ' ' ? 'Space' : key, key, windowsVirtualKeyCode: named[key], text: key === 'Enter' ? '\r' : undefined };
};

const sleep = (seconds) => new Promise((r) => setTimeout(r, seconds * 1000));

const server = await serve(work);
const browser = await launchChromium();
const p = await openPage(`${server.url}site/`, { browser, width: 1280, height: 1000 });
const page = p.page;
let out;
try {
  const cdp = await page.context().newCDPSession(page);
  const press = async (key) => {
    const e = event(key);
    const before = performance.now();
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyDown', ...e });
    const after = performance.now();
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', ...e, text: undefined });
    return (before + after) / 2;
  };
  await until(page, ['question']);
  await page.click('#no');
  await page.waitForFunction(() => window.meridoka.state() === 'waiting', null, { polling: 10 });
  await sleep(0.3);
  await press(' ');
  await sleep(0.8);
  const sent = [];
  for (const [key, pause] of plan.keys) {
    await sleep(pause);
    sent.push(await press(key));
  }
  await sleep(0.5);
  if (plan.escape) await press('Escape');
  await until(page, ['ended']);
  const journal = await fetchLink(page, '#downloads a[download="S0000001.CSV"]');
  const all = rows(journal);
  const at = (name) => all[0].fields.indexOf(name);
  const ms = all.slice(1).filter((r) => ['answer_previewed', 'answer_confirmed'].includes(r.fields[at('event')]))
    .map((r) => Number(r.fields[at('ms')]));
  out = { sent, ms, problems: p.problems };
} finally {
  await p.close();
  await browser.close();
  await server.close();
}
console.log(JSON.stringify(out));
