// The page as remote participants meet it, in headless Chromium: one tab
// at a time, every row reaching the lab's server however the page is left,
// the server down or lost, a phone, a file that is no archive, a shared
// computer, and the canvas on whole device pixels at fractional zoom.
// run-suite.mjs calls remoteChecks with its helpers.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { parseScenario, runScenario, until } from './drive.mjs';
import { readPng } from './png.mjs';
import { serve } from './server.mjs';

// What the browser reports of requests to a server that is not there.
const unreachable = /rows\?|ERR_CONNECTION|ERR_EMPTY_RESPONSE|Failed to load resource/;

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The page's state and message.
const shown = (page) => page.evaluate(() => ({
  state: window.meridoka.state(), text: document.getElementById('message').textContent,
  question: !document.getElementById('question').hidden,
}));

// Waits (up to `ms`) until `test()` holds; returns whether it did.
async function eventually(test, ms = 10000) {
  for (const end = Date.now() + ms; Date.now() < end; await sleep(50)) if (await test()) return true;
  return test();
}

export async function remoteChecks({ check, browser, server, work, root, onPage, quickRun, storedFiles, studySite,
                                     postedAsHeadless }) {
  const url = server.url + 'site/synthetic/';

  // Types keys once the program waits for each: [key, ...].
  const typeAtWaits = async (page, keys) => {
    for (const key of keys) {
      const waits = await page.evaluate(() => window.meridoka.waits());
      await page.waitForFunction((w) => window.meridoka.state() === 'waiting' && window.meridoka.waits() === w, waits);
      await page.keyboard.press(key);
      await page.waitForFunction((w) => window.meridoka.waits() > w || window.meridoka.state() === 'ended', waits);
    }
  };

  // ---- one tab per session ----------------------------------------------------

  await check('a second tab opened during the test: "open elsewhere", the journal untouched', () => onPage('site/synthetic/', async (page) => {
    await until(page, ['question']);
    await page.click('#no');
    await typeAtWaits(page, ['Space', 'Digit1', 'Enter']);
    const second = await page.context().newPage();
    await second.goto(url);
    await until(second, ['elsewhere']);
    await sleep(500);
    const told = await shown(second);
    if (told.state !== 'elsewhere' || told.question || !/already open in another tab/.test(told.text))
      return `the second tab: ${JSON.stringify(told)}`;
    await typeAtWaits(page, ['Digit2', 'Enter']);
    const before = await storedFiles(page);
    // the first tab closes: the second goes on, and offers that session
    await page.close({ runBeforeUnload: true });
    await until(second, ['offer']);
    const offered = await second.textContent('#message');
    if (!/2 of 5 items answered/.test(offered)) return `the second tab offers: ${offered}`;
    const files = await storedFiles(second);
    return before.join() === 'S0000001.CSV' && files.filter((f) => /^S/.test(f)).join() === 'S0000001.CSV'
      ? null : `files kept: ${before}, then ${files}`;
  }));

  await check('two tabs opened at the same moment: one runs, the other waits, two journals', async () => {
    const context = await browser.newContext();
    try {
      const tabs = [await context.newPage(), await context.newPage()];
      await Promise.all(tabs.map((t) => t.goto(url)));
      await Promise.all(tabs.map((t) => until(t, ['question', 'elsewhere'])));
      await sleep(300);
      const states = await Promise.all(tabs.map((t) => t.evaluate(() => window.meridoka.state())));
      if (states.sort().join() !== 'elsewhere,question') return `the tabs are ${states}`;
      const [first, other] = (await tabs[0].evaluate(() => window.meridoka.state())) === 'question' ? tabs : tabs.reverse();
      await quickRun(first);
      await first.close({ runBeforeUnload: true });
      await quickRun(other);
      const files = await storedFiles(other);
      return files.filter((f) => /^S/.test(f)).join() === 'S0000001.CSV,S0000002.CSV' ? null : `files kept: ${files}`;
    } finally {
      await context.close();
    }
  });

  // ---- the lab's server ---------------------------------------------------------

  await check('the tab closed 300 ms after the last Enter, the server slow: every row arrives', async () => {
    const collector = await serve(work, { delayMs: 300 });
    try {
      const path = studySite('slow', { postUrl: `${collector.url}rows` });
      const file = 'sdl/tests/scenarios/full-run.scn';
      const steps = parseScenario(readFileSync(join(root, file), 'utf8'));
      let left = 0, saying = '';
      const got = await runScenario(browser, server.url + path, steps, {
        atEnd: async (page) => {
          const since = await page.evaluate(() => performance.now() - window.meridoka.marks().filter((m) => m[0] === 'key').pop()[1]);
          left = await page.evaluate(() => window.meridoka.posting().pending);
          saying = await page.textContent('#message');
          await sleep(Math.max(0, 300 - since));
          await page.close({ runBeforeUnload: true });
          // the context (the browser's network for it) stays until every row
          // is in: as many as the last row's number (they come in any order)
          const row = (p) => new URL(p.url, 'http://x').searchParams.get('row');
          await eventually(() => {
            const end = collector.posts.find((p) => /,session_end,/.test(p.body));
            return end && new Set(collector.posts.map(row)).size >= Number(row(end));
          }, 15000);
        },
      });
      if (got.status !== 0) return `status ${got.status}`;
      if (!left) return 'no row was left to send when the tab closed';
      if (saying !== 'Saving your answers...') return `with ${left} rows to send, the end says "${saying}"`;
      const rows = new Map(collector.posts.map((p) => [new URL(p.url, 'http://x').searchParams.get('row'), p]));
      const posts = [...rows.keys()].sort((a, b) => a - b).map((n) => rows.get(n));
      return postedAsHeadless(posts, file, 'synthetic', 'slow');
    } finally {
      await collector.close();
    }
  });

  await check('the server down from the start: stopped before the first item; "offline allowed" runs', async () => {
    const gone = await serve(work);
    const postUrl = `${gone.url}rows`;
    await gone.close();
    const stopped = await onPage(studySite('down', { postUrl, postRetryMs: 20 }), async (page) => {
      await until(page, ['offline']);
      const told = await shown(page);
      if (told.question || !/server cannot be reached.*has not started/.test(told.text)) return JSON.stringify(told);
      const files = await storedFiles(page);
      return files.length ? `files kept: ${files}` : null;
    }, { ignore: unreachable });
    if (stopped) return stopped;
    const allowed = await onPage(studySite('down-allowed', { postUrl, postRetryMs: 20, offlineAllowed: true }),
                                 (page) => until(page, ['question']).then(() => null), { ignore: unreachable });
    return allowed ? `offline allowed: ${allowed}` : null;
  });

  await check('a malformed postUrl: refused when the page loads', () => onPage(studySite('malformed', { postUrl: 'htp:/lab server/rows' }), async (page) => {
    await until(page, ['failed']);
    const told = await shown(page);
    return /"htp:\/lab server\/rows" is not a web address/.test(told.text) ? null : JSON.stringify(told);
  }));

  await check('the server lost mid-test: a small mark, the rows retried until taken', async () => {
    const collector = await serve(work);
    try {
      return await onPage(studySite('lost', { postUrl: `${collector.url}rows`, postRetryMs: 50 }), async (page) => {
        await until(page, ['question']);
        await page.click('#no');
        await typeAtWaits(page, ['Space']);
        collector.down = true;
        await typeAtWaits(page, ['Digit1', 'Enter']);
        if (!(await eventually(() => page.isVisible('#mark'), 5000))) return 'no mark while the server is lost';
        const mark = await page.locator('#mark').boundingBox();
        if (mark.width > 12 || mark.height > 12) return `the mark is ${mark.width}x${mark.height}`;
        collector.down = false;
        if (!(await eventually(async () => !(await page.isVisible('#mark')), 5000))) return 'the mark stays';
        await typeAtWaits(page, ['Escape']);
        await until(page, ['ended']);
        await page.waitForFunction(() => !window.meridoka.saving());
        const events = collector.posts.map((p) => p.body.split(',')[2]);
        return events.includes('answer_confirmed') && events.pop() === 'session_end' ? null : `posted: ${events}`;
      }, { ignore: unreachable });
    } finally {
      await collector.close();
    }
  });

  // ---- the device, the link, the language -----------------------------------------

  await check('a phone (touch only), a small screen: told before the test, in the test\'s language', async () => {
    const phone = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };
    const expect = [
      ['site/synthetic/', { width: 360, height: 740, device: phone }, /^This test needs a keyboard/],
      ['site/sample/', { width: 360, height: 740, device: phone }, /^Для теста нужна клавиатура/],
      ['site/synthetic/', { width: 600, height: 440 }, /^This screen \(600x440 pixels\) is too small/],
    ];
    for (const [path, options, text] of expect) {
      const problem = await onPage(path, async (page) => {
        await until(page, ['device']);
        const told = await shown(page);
        if (!text.test(told.text) || told.question || !(await page.isVisible('#anyway'))) return JSON.stringify(told);
        await page.click('#anyway');
        await until(page, ['question']);
        return null;
      }, options);
      if (problem) return `${path} ${options.width}x${options.height}: ${problem}`;
    }
    return null;
  });

  // ---- dropped files, shared computers ------------------------------------------------

  await check('a large file that is no archive dropped at the question: named, no buttons, no journal, no freeze', () => onPage('site/synthetic/', async (page) => {
    await until(page, ['question']);
    await page.evaluate(() => {
      window.longest = 0;
      let last = performance.now();
      setInterval(() => { const now = performance.now(); window.longest = Math.max(window.longest, now - last); last = now; }, 10);
    });
    const drop = await page.evaluateHandle(() => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(100 << 20).fill(0x41)], 'notes.txt'));
      return data;
    });
    await page.evaluate(() => { window.longest = 0; });
    await page.dispatchEvent('body', 'drop', { dataTransfer: drop });
    await until(page, ['refused']);
    await sleep(300);
    const told = await shown(page);
    const longest = await page.evaluate(() => window.longest);
    if (told.text !== '"notes.txt" is not a test archive. Choose a test archive (.WDL) instead.' || told.question)
      return JSON.stringify(told);
    if (longest > 1000) return `the page froze for ${Math.round(longest)} ms`;
    const files = await storedFiles(page);
    return files.length ? `files kept: ${files}` : null;
  }));

  await check('a shared computer without a lab server: the next person sees no earlier files', () => onPage('site/synthetic/', async (page) => {
    await quickRun(page);
    await page.goto(url);
    await until(page, ['question']);
    const seen = await page.evaluate(() => document.body.innerText);
    if (/S0000001|RESULT-W|kept/i.test(seen)) return `the next person sees: ${seen}`;
    await page.goto(url + '#files');
    await until(page, ['question']);
    return (await page.isVisible('#kept-files a[download="S0000001.CSV"]')) || (await page.click('#kept summary'), await page.isVisible('#kept-files a[download="S0000001.CSV"]'))
      ? null : 'no files for the lab on #files';
  }));

  // ---- pixels ---------------------------------------------------------------------------

  for (const [zoom, width, height] of [[1.25, 1001, 777], [1.5, 1003, 781], [2.625, 1001, 779]]) {
    await check(`the canvas on whole device pixels at ${zoom * 100}% zoom`, () => onPage('site/synthetic/', async (page) => {
      await until(page, ['question']);
      await page.click('#no');
      await typeAtWaits(page, ['Space']);
      await page.waitForFunction(() => window.meridoka.state() === 'waiting');
      const png = readPng(await page.screenshot({ scale: 'device' }));
      for (let y = 0; y < png.height; y++) {
        for (let x = 0; x < png.width; x++) {
          const [r, g, b] = png.pixel(x, y);
          if (r !== g || g !== b || (r !== 0 && r !== 255)) return `device pixel ${x},${y} is ${r},${g},${b}`;
        }
      }
      return null;
    }, { width, height, device: { deviceScaleFactor: zoom } }));
  }
}
