// The administration settings on the page against the headless tool: the
// ID screen and the resume offer, in one browser profile, with a test that
// requires the ID (letters, digits, marks) and offers the resume; a session
// left after an ID typed on the program's screen, offered by the program;
// and the time limits (an item's, and the test's after a crash and Resume).
//
//   1. the ID typed as tests/e2e/id-screen.scn types it, two answers, then
//      the browser crashes: the journal kept is the headless one's;
//   2. the link names that participant: one offer, the program's (the page
//      leaves it to the program), 2 starts a new session to the end, the
//      old journal as it was;
//   3. the ID typed again: 1 goes on with the old session to the result
//      file of the whole test.
// Each reference is the headless tool's run of the same keys in a folder
// holding the journals the page kept (so the offer shows the same start
// time); screenshots and result files byte for byte, each screenshot as the
// canvas showed it, journals row for row (times aside).
// run-suite.mjs calls adminChecks with its helpers.
import { execFileSync, spawnSync } from 'node:child_process';
import { cpSync, mkdirSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { openPage } from '../../tests/browser/browser.mjs';
import { compareView, fetchLink, keptFile, parseScenario, until } from './drive.mjs';

// KeyboardEvent.code of the scenario's key names that type an ID.
const codes = { enter: 'Enter', space: 'Space', backspace: 'Backspace', '-': 'Minus', '.': 'Period', '/': 'Slash' };
const code = (name) => codes[name] || (/^[0-9]$/.test(name) ? `Digit${name}` : `Key${name.toUpperCase()}`);

export async function adminChecks({ check, browser, server, work, root, headless, journalsDiffer }) {
  // A site of the page with a 4-item test made with these options: its
  // archive, address and right answers.
  const site = (name, ...options) => {
    const dir = join(work, 'site', name);
    const archive = join(work, `${name}.wdl`);
    const answers = execFileSync('python3', [join(root, 'tests/e2e/make_test_archive.py'), archive, '--items', '4',
                                             ...options]).toString().split(/\s+/).filter(Boolean);
    cpSync(join(work, 'site', 'none'), dir, { recursive: true });
    cpSync(archive, join(dir, 'MERIDOKA.WDL'));
    writeFileSync(join(dir, 'blank.html'), '<!doctype html><title>blank</title>\n');
    return { archive, url: `${server.url}site/${name}/`, answers };
  };
  const { archive, url, answers } = site('admin', '--ask-id', 'required', '--offer-resume', '--id-length', '6');
  const items = answers.map((a) => [{ verb: 'key', arg: a }, { verb: 'key', arg: 'enter' }]);
  const typed = parseScenario(readFileSync(join(root, 'tests/e2e/id-screen.scn'), 'utf8'));
  const again = ['p', '-', '1', '7', 'enter'].map((arg) => ({ verb: 'key', arg }));
  let runs = 0;

  // The headless tool's run of the steps (with options) beside these journals.
  const reference = (steps, journals, options = [], test = archive) => {
    const ref = join(work, 'headless', `admin-${++runs}`);
    mkdirSync(ref, { recursive: true });
    cpSync(test, join(ref, 'MERIDOKA.WDL'));
    for (const [name, bytes] of Object.entries(journals)) writeFileSync(join(ref, name), bytes);
    writeFileSync(join(ref, 'keys.scn'), steps.map((s) => `${s.verb} ${s.arg || ''}\n`).join(''));
    const status = spawnSync(headless, ['--dir', ref, join(ref, 'keys.scn'), ...options]).status;
    const read = (name) => readFileSync(join(ref, name));
    return { status, read, shots: readdirSync(ref).filter((f) => /\.bmp$/.test(f)).sort().map(read) };
  };

  // Plays the steps once the program waits for each; returns the screenshots
  // (F12 downloads), each with what the canvas showed. A "wait" step lets
  // the program's time limit end its wait (the headless tool's wait of the
  // same length ends it exactly).
  const nextWait = async (page, after) => {
    await page.waitForFunction((n) => window.meridoka.state() === 'ended' ||
                               (window.meridoka.state() === 'waiting' && window.meridoka.waits() > n), after);
    return page.evaluate(() => window.meridoka.waits());
  };
  const play = async (page, steps) => {
    const shots = [];
    let waits = await nextWait(page, -1);
    for (const step of steps) {
      if (step.verb === 'shot') {
        const canvas = page.locator('#stage canvas');
        const shown = { box: await canvas.boundingBox(), size: page.viewportSize(), png: await canvas.screenshot() };
        const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('F12')]);
        const bmp = readFileSync(await download.path());
        shots.push({ bmp, view: compareView(shown, bmp) });
      } else if (step.verb !== 'wait') {
        await page.keyboard.press(code(step.arg));
      }
      waits = await nextWait(page, waits);
    }
    return shots;
  };

  // A journal without its last row. The headless run ends with item 3's
  // item_shown and the closed window's session_end; the page commits an
  // item_shown with the next answer, so a crash leaves neither.
  const cutLast = (bytes) => bytes.subarray(0, bytes.lastIndexOf('\r\n', bytes.length - 3) + 2);

  const sameShots = (got, want) => {
    if (got.length !== want.length) return `${got.length} screenshots, headless ${want.length}`;
    for (let n = 0; n < got.length; n++) {
      if (Buffer.compare(got[n].bmp, want[n])) return `screenshot ${n + 1} differs from the headless one`;
      if (got[n].view) return `screenshot ${n + 1}: ${got[n].view}`;
    }
    return null;
  };

  // The result file and this journal offered at the end.
  const atEnd = async (page, journal) => {
    await until(page, ['ended']);
    const status = await page.evaluate(() => window.meridoka.status());
    const fetch = (name) => fetchLink(page, `#downloads a[download="${name}"]`);
    return { status, result: await fetch('RESULT-W.TXT'), journal: await fetch(journal) };
  };

  await check('ID screen typed, a crash, one offer (the program\'s), new session, then resumed', async () => {
    const p = await openPage(url, { browser, width: 1280, height: 1000 });
    const context = p.page.context();
    const problems = p.problems;
    try {
      // 1: the ID typed on the program's screen, two answers, the browser crashes
      let page = p.page;
      await until(page, ['question']);
      await page.click('#no');
      let steps = [...typed, { verb: 'key', arg: 'space' }, ...items[0], ...items[1]];
      let shots = await play(page, steps);
      let want = reference([...steps, { verb: 'close' }], {});
      // a crash: what the browser's storage holds, without the rows a
      // leaving page would add (kept in localStorage for the next page)
      await page.goto(`${url}blank.html`);  // the site, without the test page
      await page.evaluate(() => Object.keys(localStorage).filter((k) => k.startsWith('meridoka-pending-'))
        .forEach((k) => localStorage.removeItem(k)));
      await page.goto(url);
      await until(page, ['question']);
      const old = await keptFile(page, 'S0000001.CSV');
      let differ = sameShots(shots, want.shots) || journalsDiffer(old, cutLast(cutLast(want.read('S0000001.CSV'))));
      if (differ) return `the typed ID's session: ${differ}`;
      await page.close();

      // 2: the participant in the link: the program's offer only; 2 starts anew
      page = await context.newPage();
      await page.goto(`${url}?participant=P-17`);
      const first = await until(page, ['question', 'offer']);
      if (first !== 'question') return 'the page offered the session before the program did';
      await page.click('#no');
      steps = [{ verb: 'shot' }, { verb: 'key', arg: '2' }, { verb: 'key', arg: 'space' }, ...items.flat()];
      shots = await play(page, steps);
      want = reference(steps, { 'S0000001.CSV': old }, ['/P:P-17']);
      const whole = await atEnd(page, 'S0000002.CSV');
      differ = sameShots(shots, want.shots) || (whole.status !== want.status && `status ${whole.status}`) ||
        (Buffer.compare(whole.result, want.read('RESULT-W.TXT')) && 'RESULT-W.TXT differs') ||
        journalsDiffer(whole.journal, want.read('S0000002.CSV'));
      if (differ) return `the new session: ${differ}`;
      if (Buffer.compare(await keptFile(page, 'S0000001.CSV'), old)) return 'the new session changed the old journal';
      await page.close();

      // 3: the ID typed again; 1 goes on with the old session
      page = await context.newPage();
      await page.goto(url);
      await until(page, ['question']);
      await page.click('#no');
      steps = [...again, { verb: 'key', arg: '1' }, ...items[2], ...items[3]];
      shots = await play(page, steps);
      want = reference(steps, { 'S0000001.CSV': old, 'S0000002.CSV': whole.journal });
      const resumed = await atEnd(page, 'S0000001.CSV');
      differ = sameShots(shots, want.shots) || (resumed.status !== want.status && `status ${resumed.status}`) ||
        (Buffer.compare(resumed.result, whole.result) && 'RESULT-W.TXT differs from the whole test\'s') ||
        journalsDiffer(resumed.journal, want.read('S0000001.CSV'), ['note']);  // it names the build
      if (differ) return `the resumed session: ${differ}`;
      return problems.filter((m) => !/blank\.html/.test(m)).join('; ') || null;
    } finally {
      await p.close();
    }
  });

  // Time limits, against the headless tool's simulated clock (everything
  // but the times): an item's limit (5 s) running out on items 2 and 4; the
  // test's (1 minute) running out on item 3 of a session that had used 48 s
  // of it when the browser crashed (the headless tool's journal, put in the
  // browser's storage), taken up with the page's Resume.
  await check('time limits: an item\'s runs out twice, the test\'s after a crash and Resume', async () => {
    const perItem = site('item-limit', '--item-seconds', '5');
    const perTest = site('test-limit', '--test-minutes', '1');
    const key = (arg) => ({ verb: 'key', arg });
    const limitRun = async (test, steps, options, journal = null) => {
      const p = await openPage(test.url + (journal ? 'blank.html' : ''), { browser, width: 1280, height: 1000 });
      const page = p.page;
      try {
        if (journal) {
          await page.evaluate((bytes) => new Promise((done, fail) => {
            const open = indexedDB.open('meridoka', 1);
            open.onupgradeneeded = () => open.result.createObjectStore('files', { keyPath: 'key' });
            open.onsuccess = () => {
              const t = open.result.transaction('files', 'readwrite');
              t.objectStore('files').put({ key: 'S0000001.CSV', name: 'S0000001.CSV', bytes: new Uint8Array(bytes) });
              t.oncomplete = () => { open.result.close(); done(); };
              t.onerror = fail;
            };
          }), [...journal]);
          await page.goto(test.url);
          if ((await until(page, ['offer', 'question'])) !== 'offer') return 'the crashed session was not offered';
          await page.click('#resume');
        }
        await until(page, ['question']);
        await page.click('#no');
        const shots = await play(page, steps);
        const want = reference(steps, journal ? { 'S0000001.CSV': journal } : {}, options, test.archive);
        const got = await atEnd(page, 'S0000001.CSV');
        return sameShots(shots, want.shots) || (got.status !== want.status && `status ${got.status}`) ||
          (Buffer.compare(got.result, want.read('RESULT-W.TXT')) && 'RESULT-W.TXT differs') ||
          journalsDiffer(got.journal, want.read('S0000001.CSV'), ['note']) ||
          (!/,item_timeout,|,time_up,/.test(got.journal.toString()) && 'no time-out in the journal') ||
          p.problems.join('; ') || null;
      } finally {
        await p.close();
      }
    };
    const a = perItem.answers, b = perTest.answers;
    const differ = await limitRun(perItem, [key('space'), key(a[0]), key('enter'), { verb: 'wait', arg: '6000' },
                                            { verb: 'shot' }, key(a[2]), key('enter'), { verb: 'wait', arg: '6000' }], []);
    if (differ) return `the item's limit: ${differ}`;
    const before = reference([key('space'), key(b[0]), key('enter'), { verb: 'wait', arg: '48000' }, key(b[1]),
                              { verb: 'close' }], {}, [], perTest.archive);
    const crashed = cutLast(before.read('S0000001.CSV'));
    const late = await limitRun(perTest, [key(b[1]), key('enter'), { verb: 'shot' }, { verb: 'wait', arg: '20000' }],
                                ['/R:S0000001.CSV'], crashed);
    return late && `the test's limit: ${late}`;
  });

  // Leaving the page is how a browser session is cut short: after an ID
  // typed on the program's screen, the page cannot know whose session it
  // was, so the program offers it when that ID is typed again (a reload,
  // then 1 goes on with it to the whole test's result). The reference: the
  // headless tool beside the journal as the program takes it up, its
  // session_end row cut off.
  await check('ID typed on the screen, the page left, the same ID again: the program offers the session', async () => {
    const p = await openPage(url, { browser, width: 1280, height: 1000 });
    const page = p.page;
    try {
      await until(page, ['question']);
      await page.click('#no');
      await play(page, [...again, { verb: 'key', arg: 'space' }, ...items[0], ...items[1]]);
      await page.reload();
      if ((await until(page, ['question', 'offer'])) !== 'question') return 'the page offered the session itself';
      const left = await keptFile(page, 'S0000001.CSV');
      if (!/,session_end,[^\n]*,closed,/.test(left.toString())) return 'the left page\'s journal does not end with closed';
      await page.click('#no');
      const steps = [...again, { verb: 'shot' }, { verb: 'key', arg: '1' }, ...items[2], ...items[3]];
      const shots = await play(page, steps);
      const want = reference(steps, { 'S0000001.CSV': cutLast(left) });
      const resumed = await atEnd(page, 'S0000001.CSV');
      const differ = sameShots(shots, want.shots) || (resumed.status !== want.status && `status ${resumed.status}`) ||
        (Buffer.compare(resumed.result, want.read('RESULT-W.TXT')) && 'RESULT-W.TXT differs') ||
        journalsDiffer(resumed.journal, want.read('S0000001.CSV'), ['note']);
      return differ || p.problems.join('; ') || null;
    } finally {
      await p.close();
    }
  });
}
