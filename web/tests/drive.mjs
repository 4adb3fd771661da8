// Drives the page like a person at the keyboard, from the shared scenario
// scripts (tests/SCENARIOS.md), through the page's test hook
// (window.meridoka): a key is typed only once the program waits for one.
//
// runScenario(browser, url, steps, { full, layout, reloadAt }) answers the
// full-screen question, plays the steps and returns what the page gave out:
// the status, the F12 screenshots (downloads, in order), the result file and
// the session journal (the end panel's links, or after leaving the page the
// ones the reopened page keeps; the status is then unknown, null), and for
// each screenshot whether the canvas showed just that (null) or what was
// wrong (views). With reloadAt, the page is reloaded before that step and
// the session resumed (journalAtReload: the journal just before).
// atEnd(page) runs last, before the page closes.
import { readFile } from 'node:fs/promises';
import { openPage } from '../../tests/browser/browser.mjs';
import { scanCodes } from '../page/scancodes.js';
import { readPng } from './png.mjs';

// ---- scenario files --------------------------------------------------------

export function parseScenario(text) {
  const steps = [];
  for (const raw of text.split('\n')) {
    const [verb, arg] = raw.replace(/#(?!\d).*/, '').trim().split(/\s+/);
    if (verb) steps.push({ verb, arg });
  }
  return steps;
}

const named = { esc: 'Escape', enter: 'Enter', space: 'Space', a: 'KeyA', f1: 'F1', f12: 'F12', 0: 'Digit0' };

// The KeyboardEvent.code of a scenario key name; "#N" is the first key
// with scan code N.
export function keyCode(name) {
  if (/^[1-9]$/.test(name)) return `Digit${name}`;
  if (named[name]) return named[name];
  const scan = /^#(\d+)$/.exec(name);
  const code = scan && Object.keys(scanCodes).find((c) => scanCodes[c] === Number(scan[1]));
  if (!code) throw new Error(`no key for "${name}"`);
  return code;
}

// What the digit row types on a French keyboard: the page must go by the
// key's place (code), not by the character (key).
const azerty = { Digit1: '&', Digit2: 'é', Digit3: '"', Digit4: "'", Digit5: '(', Digit6: '-', Digit7: 'è',
                 Digit8: '_', Digit9: 'ç', Digit0: 'à' };

// Types a key: through the browser's keyboard, or on the French layout as
// the keydown event such a keyboard gives.
async function type(page, code, layout) {
  if (layout !== 'azerty' || !azerty[code]) return page.keyboard.press(code);
  await page.evaluate(([c, k]) => {
    for (const type of ['keydown', 'keyup'])
      window.dispatchEvent(new KeyboardEvent(type, { code: c, key: k, bubbles: true, cancelable: true }));
  }, [code, azerty[code]]);
}

// ---- waiting for the program ------------------------------------------------

const poll = { polling: 10, timeout: 15000 };

export async function until(page, states) {
  await page.waitForFunction((s) => s.includes(window.meridoka.state()), states, poll);
  return page.evaluate(() => window.meridoka.state());
}

// The next key wait after `waits` of them, or the end.
async function nextWait(page, waits) {
  await page.waitForFunction(
    (n) => window.meridoka.state() === 'ended' || (window.meridoka.state() === 'waiting' && window.meridoka.waits() > n),
    waits, poll);
  return page.evaluate(() => window.meridoka.waits());
}

async function downloaded(download) {
  return readFile(await download.path());
}

// A link's file, by clicking it.
export async function fetchLink(page, selector) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return downloaded(download);
}

// A file from the page's list of files kept in the browser (shown on the
// address with #files), or null.
export async function keptFile(page, name) {
  await page.evaluate(() => { location.hash = 'files'; });
  const link = `#kept-files a[download="${name}"]`;
  if (!(await page.locator(link).count())) return null;
  if (!(await page.isVisible(link))) await page.click('#kept summary');
  return fetchLink(page, link);
}

// ---- what the canvas shows ----------------------------------------------------

// What the canvas shows now: its place and a screenshot of it.
async function view(page) {
  const canvas = page.locator('#stage canvas');
  return { box: await canvas.boundingBox(), size: page.viewportSize(), png: await canvas.screenshot() };
}

// Whether the view showed the BMP's screen at a whole factor, crisp and
// centred in the window: every screen pixel a factor x factor block of pure
// black or white. Returns a problem, or null.
export function compareView({ box, size, png }, bmp) {
  const factor = Math.round(box.width / 640);
  if (factor < 1 || box.width !== 640 * factor || box.height !== 480 * factor)
    return `canvas is ${box.width}x${box.height}`;
  if (Math.abs(box.x * 2 + box.width - size.width) > 1 || Math.abs(box.y * 2 + box.height - size.height) > 1)
    return `canvas not centred: at ${box.x},${box.y} in ${size.width}x${size.height}`;
  const shown = readPng(png);
  for (let y = 0; y < 480 * factor; y++) {
    for (let x = 0; x < 640 * factor; x++) {
      const sx = Math.floor(x / factor), sy = Math.floor(y / factor);
      const white = (bmp[62 + sy * 80 + (sx >> 3)] >> (7 - (sx & 7))) & 1;
      const [r, g, b] = shown.pixel(x, y);
      if (r !== g || g !== b || r !== (white ? 255 : 0))
        return `canvas pixel ${x},${y} is ${r},${g},${b}; screen pixel ${sx},${sy} is ${white ? 'white' : 'black'}`;
    }
  }
  return null;
}

// ---- one scenario -----------------------------------------------------------

const journalName = 'S0000001.CSV';

export async function runScenario(browser, url, steps,
                                  { full = false, layout = null, width = 1280, height = 1000, reloadAt = null, atEnd = null } = {}) {
  const p = await openPage(url, { browser, width, height });
  const page = p.page;
  const out = { status: null, shots: [], result: null, journal: null, problems: p.problems, views: [], left: false };
  const shotQueue = [];
  page.on('download', (d) => { if (/\.bmp$/.test(d.suggestedFilename())) shotQueue.push(d); });
  try {
    let state = await until(page, ['question', 'ended']);
    let waits = 0, i = 0;

    // Lets the program go on with `action`; busy keys that follow in the
    // script are typed while it is still busy, before its next wait.
    const go = async (action) => {
      const busy = [];
      while (steps[i] && steps[i].verb === 'busy') busy.push(steps[i++].arg);
      if (busy.length) await page.evaluate(() => window.meridoka.holdBeforeNextWait());
      await action();
      if (busy.length && (await until(page, ['held', 'ended'])) === 'held') {
        for (const k of busy) await type(page, keyCode(k), layout);
        await page.evaluate(() => window.meridoka.release());
      }
      waits = await nextWait(page, waits);
      state = await page.evaluate(() => window.meridoka.state());
    };

    if (state === 'question') {
      await go(() => page.click(full ? '#yes' : '#no'));
      out.fullScreen = await page.evaluate(() => !!document.fullscreenElement);
    }
    while (i < steps.length && state !== 'ended') {
      if (i === reloadAt) {
        // a reload: the page is left (the test ends as with a closed
        // window), the new page offers the session, which goes on
        await page.reload();
        await until(page, ['offer']);
        out.journalAtReload = await keptFile(page, journalName);
        await page.click('#resume');
        await until(page, ['question']);
        waits = 0;
        await go(() => page.click('#no'));
      }
      const { verb, arg } = steps[i++];
      if (verb === 'key') {
        await go(() => type(page, keyCode(arg), layout));
      } else if (verb === 'shot') {
        const shown = await view(page);
        const before = shotQueue.length;
        await go(() => page.keyboard.press('F12'));
        for (let t = 0; shotQueue.length === before; t++) {
          if (t > 500) throw new Error('F12 gave no download');
          await new Promise((r) => setTimeout(r, 10));
        }
        const bmp = await downloaded(shotQueue[before]);
        out.shots.push(bmp);
        out.views.push(compareView(shown, bmp));
      } else if (verb === 'wait') {
        await new Promise((r) => setTimeout(r, Number(arg)));  // the headless tool's clock; here real time
      } else if (verb === 'close') {
        break;
      } else {
        throw new Error(`unknown step "${verb}"`);
      }
    }
    if (state !== 'ended') {
      // closing the page, or a script that runs out: the page is left
      out.left = true;
      await page.goto('about:blank');
      await page.goto(url);
      await until(page, ['question', 'ended', 'offer']);
      out.result = await keptFile(page, 'RESULT-W.TXT');
      out.journal = await keptFile(page, journalName);
    } else {
      out.status = await page.evaluate(() => window.meridoka.status());
      for (const name of ['RESULT-W.TXT', journalName]) {
        const link = `#downloads a[download="${name}"]`;
        if (await page.locator(link).count()) out[name === journalName ? 'journal' : 'result'] = await fetchLink(page, link);
      }
    }
    if (atEnd) await atEnd(page);
  } finally {
    await p.close();
  }
  return out;
}
