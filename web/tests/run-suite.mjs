// The browser build end to end in headless Chromium: the shared scenario
// scripts on the page against the headless tool (status, every F12
// screenshot and the result file byte for byte, every screenshot as the
// canvas showed it, the session journal row for row but for what differs by
// nature), leaving the page mid-test, a reload and resume, journal rows
// posted to a server that fails at first, full screen, the archive chosen
// or dropped, a missing or broken archive, no WebAssembly, the ID screen and
// the resume offer (admin.mjs).
//
//   [WEB_E2E_ONLY=REGEX] node web/tests/run-suite.mjs BUILD_WEB HEADLESS SAMPLE_WDL WORK_DIR
import { execFileSync, spawnSync } from 'node:child_process';
import { cpSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';
import { launchChromium, openPage } from '../../tests/browser/browser.mjs';
import { fetchLink, parseScenario, runScenario, until } from './drive.mjs';
import { serve } from './server.mjs';
import { rows } from '../page/journal.js';
import { remoteChecks } from './remote.mjs';
import { adminChecks } from './admin.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const [webDir, headless, sample, work] = process.argv.slice(2).map((a) => resolve(a));
if (!work) {
  console.error('usage: run-suite.mjs BUILD_WEB HEADLESS SAMPLE_WDL WORK_DIR');
  process.exit(2);
}
rmSync(work, { recursive: true, force: true });
mkdirSync(work, { recursive: true });

// ---- archives, and a site (the page and one archive) for each ----------------

const archives = { sample };
for (const [name, args] of Object.entries({ synthetic: [], packed: ['--packed', '--f1-text'], eight: ['--items', '8'] })) {
  archives[name] = join(work, `${name}.wdl`);
  execFileSync('python3', [join(root, 'tests/e2e/make_test_archive.py'), archives[name], ...args], { stdio: 'ignore' });
}
archives.broken = join(work, 'broken.wdl');
writeFileSync(archives.broken, 'Not a test archive, just text.\n'.repeat(40));

function site(name, archive) {
  const dir = join(work, 'site', name);
  cpSync(webDir, dir, { recursive: true });
  rmSync(join(dir, 'MERIDOKA.WDL'), { force: true });
  if (archive) cpSync(archive, join(dir, 'MERIDOKA.WDL'));
  return `site/${name}/`;
}
for (const name of Object.keys(archives)) site(name, archives[name]);
site('none', null);

const server = await serve(work);
const browser = await launchChromium();

// ---- reporting ----------------------------------------------------------------

// WEB_E2E_ONLY=REGEX runs only the checks whose names match.
const only = process.env.WEB_E2E_ONLY ? new RegExp(process.env.WEB_E2E_ONLY) : null;
let passed = 0, failed = 0;
async function check(name, test) {
  if (only && !only.test(name)) return;
  let problem;
  try {
    problem = await test();
  } catch (error) {
    problem = error.stack || String(error);
  }
  if (problem) {
    failed++;
    console.log(`FAIL ${name}: ${problem}`);
  } else {
    passed++;
    console.log(`ok   ${name}`);
  }
}

// The page's transfer budget: its scripts and the module, gzip -9.
await check('script + module within 150 KB gzip', () => {
  const bytes = readdirSync(webDir).filter((f) => /\.(js|wasm)$/.test(f))
    .reduce((sum, f) => sum + gzipSync(readFileSync(join(webDir, f)), { level: 9 }).length, 0);
  console.log(`     script + module: ${(bytes / 1024).toFixed(1)} KB gzip`);
  return bytes <= 150 * 1024 ? null : `${(bytes / 1024).toFixed(1)} KB`;
});

// ---- scenarios against the headless tool --------------------------------------

function reference(scenario, archive, dir) {
  mkdirSync(dir, { recursive: true });
  cpSync(archive, join(dir, 'MERIDOKA.WDL'));
  const run = spawnSync(headless, [scenario], { cwd: dir });
  const files = readdirSync(dir).sort();
  return {
    status: run.status,
    shots: files.filter((f) => /\.bmp$/.test(f)).map((f) => readFileSync(join(dir, f))),
    result: files.includes('RESULT-W.TXT') ? readFileSync(join(dir, 'RESULT-W.TXT')) : null,
    journal: files.includes('S0000001.CSV') ? readFileSync(join(dir, 'S0000001.CSV')) : null,
  };
}

// A journal's rows with the fields that differ by nature blanked: the
// session ID, the times, the build and its clock.
const byNature = ['session', 'ms', 'local_time', 'rt_ms', 'first_digit_ms', 'build', 'clock', 'clock_resolution_us'];
function comparable(bytes, also = []) {
  const all = rows(bytes);
  const blank = [...byNature, ...also].map((name) => all[0].fields.indexOf(name));
  return all.map((r, n) => r.fields.map((f, i) => (n && blank.includes(i) ? '' : f)).join(','));
}

// Where two journals part, or null.
function journalsDiffer(got, want, also = []) {
  if (!got || !want) return got || want ? (got ? 'a journal the headless tool did not write' : 'no journal') : null;
  const a = comparable(got, also), b = comparable(want, also);
  for (let n = 0; n < Math.max(a.length, b.length); n++)
    if (a[n] !== b[n]) return `journal row ${n + 1}: "${a[n]}", headless "${b[n]}"`;
  return null;
}

function same(a, b) {
  return (a === null && b === null) || (a !== null && b !== null && Buffer.compare(a, b) === 0);
}

async function scenario(file, archive, { full = false, layout = null } = {}) {
  const path = join(root, file);
  const name = `${file.split('/').pop()}-${archive}${full ? '-full' : ''}${layout ? `-${layout}` : ''}`;
  const want = reference(path, archives[archive], join(work, 'headless', name));
  const got = await runScenario(browser, server.url + `site/${archive}/`, parseScenario(readFileSync(path, 'utf8')),
                                { full, layout });
  if (got.problems.length) return got.problems.join('; ');
  if (full && !got.fullScreen) return 'not in full screen after Yes';
  if (!got.left && got.status !== want.status) return `status ${got.status}, headless ${want.status}`;
  if (got.shots.length !== want.shots.length) return `${got.shots.length} screenshots, headless ${want.shots.length}`;
  for (let n = 0; n < got.shots.length; n++) {
    if (!same(got.shots[n], want.shots[n])) return `screenshot ${n + 1} differs from the headless one`;
    if (got.views[n]) return `screenshot ${n + 1}: ${got.views[n]}`;
  }
  if (!same(got.result, want.result))
    return want.result ? (got.result ? 'RESULT-W.TXT differs' : 'no RESULT-W.TXT') : 'a RESULT-W.TXT the headless tool did not write';
  return journalsDiffer(got.journal, want.journal);
}

const runs = [
  ['sdl/tests/scenarios/full-run.scn', 'synthetic'],
  ['sdl/tests/scenarios/esc-first-item.scn', 'synthetic'],
  ['sdl/tests/scenarios/ignored-keys.scn', 'synthetic'],
  ['sdl/tests/scenarios/keypad.scn', 'synthetic'],
  ['sdl/tests/scenarios/close-mid.scn', 'synthetic'],
  ['sdl/tests/scenarios/runs-out.scn', 'synthetic'],
  ['sdl/tests/scenarios/any-archive.scn', 'sample'],
  ['tests/e2e/win32/scenarios/whole-test.txt', 'synthetic'],
  ['tests/e2e/win32/scenarios/full-screen.txt', 'packed'],
  ['tests/dos/scenarios/busy.scn', 'synthetic'],
  ['tests/dos/scenarios/whole.scn', 'eight'],
  ['data/ru/all-right.scn', 'sample'],
  ['data/ru/mixed.scn', 'sample'],
  ['data/ru/esc-early.scn', 'sample'],
];
for (const [file, archive] of runs) await check(`${file} (${archive})`, () => scenario(file, archive));
await check('full-run, full screen', () => scenario('sdl/tests/scenarios/full-run.scn', 'synthetic', { full: true }));
await check('mixed (sample), digits typed on a French keyboard',
            () => scenario('data/ru/mixed.scn', 'sample', { layout: 'azerty' }));

// ---- reload and resume, posting rows -------------------------------------------

// The events of a journal, with their item and answer: what a resume must
// keep.
const answers = (bytes) => comparable(bytes).filter((r) => /,answer_confirmed,/.test(r));

// Reloads before the steps named (after a confirmed answer: the resumed
// session goes on at the next item); the journal keeps every row written
// before, and its answers and the result file are the uninterrupted run's.
async function reloaded(file, archive, reloadAt) {
  const path = join(root, file);
  const want = reference(path, archives[archive], join(work, 'headless', `reload-${reloadAt}`));
  const got = await runScenario(browser, server.url + `site/${archive}/`, parseScenario(readFileSync(path, 'utf8')),
                                { reloadAt });
  if (got.problems.length) return got.problems.join('; ');
  if (got.status !== 0) return `status ${got.status}`;
  if (!same(got.result, want.result)) return 'RESULT-W.TXT differs from an uninterrupted run\'s';
  const before = rows(got.journalAtReload), after = rows(got.journal);
  // the left page's session_end is taken back on resume; the rest stays
  const kept = before[before.length - 1].fields[2] === 'session_end' ? before.slice(0, -1) : before;
  if (!kept.every((r, n) => after[n] && after[n].fields.join() === r.fields.join())) return 'rows written before the reload were lost';
  const events = after.slice(kept.length, kept.length + 2).map((r) => r.fields[2]).join();
  if (events !== 'session_interrupted,session_resumed') return `after the kept rows: ${events}`;
  if (answers(got.journal).join('\n') !== answers(want.journal).join('\n')) return 'the answers differ from an uninterrupted run\'s';
  return null;
}
await check('mixed (sample), reloaded after item 2 and resumed', () => reloaded('data/ru/mixed.scn', 'sample', 12));
await check('mixed (sample), reloaded after item 9 and resumed', () => reloaded('data/ru/mixed.scn', 'sample', 35));

// The names of the files the page keeps in the browser's storage.
const storedFiles = (page) => page.evaluate(() => new Promise((done) => {
  const open = indexedDB.open('meridoka');
  open.onsuccess = () => {
    const keys = open.result.transaction('files').objectStore('files').getAllKeys();
    keys.onsuccess = () => done(keys.result);
  };
}));

// A site of the synthetic test with these settings (settings.json).
function studySite(name, settings, archive = 'synthetic') {
  const dir = join(work, 'site', name);
  cpSync(join(work, 'site', archive), dir, { recursive: true });
  writeFileSync(join(dir, 'settings.json'), JSON.stringify(settings));
  return `site/${name}/`;
}

// Whether the rows a server took are, in order and numbered from 1, the
// journal of the headless tool's run of this scenario (participant aside).
function postedAsHeadless(posts, file, archive, name) {
  const want = reference(join(root, file), archives[archive], join(work, 'headless', name)).journal;
  const header = want.subarray(0, rows(want)[1].start);
  const got = Buffer.concat([header, ...posts.map((p) => Buffer.from(p.body))]);
  for (let n = 0; n < posts.length; n++) {
    const q = new URL(posts[n].url, 'http://x').searchParams;
    if (q.get('row') !== String(n + 1) || q.get('journal') !== 'S0000001.CSV' || q.get('session') !== posts[n].body.slice(0, 16))
      return `post ${n + 1}: ${posts[n].url}`;
  }
  return journalsDiffer(got, want, ['participant']);
}

// Rows posted to a server on another port that refuses the first three:
// every row of the journal arrives once, in order, numbered; the end waits
// for them, then the files kept in the browser go.
await check('journal rows posted to a server that fails at first', async () => {
  const collector = await serve(work, { failFirst: 3 });
  try {
    const path = studySite('post', { postUrl: `${collector.url}rows?lab=1`, postRetryMs: 50 });
    const steps = parseScenario(readFileSync(join(root, 'sdl/tests/scenarios/full-run.scn'), 'utf8'));
    let end = null;
    const got = await runScenario(browser, server.url + path + '?participant=P017', steps, {
      atEnd: async (page) => {
        await page.waitForFunction(() => !window.meridoka.saving(), null, { timeout: 20000 });
        end = await page.evaluate(() => ({ text: document.getElementById('message').textContent,
                                           links: document.querySelectorAll('#downloads a, #kept-files a').length }));
        end.kept = await storedFiles(page);
        await page.reload();
        await until(page, ['question']);
        end.listed = await page.isVisible('#kept');
      },
    });
    // the refusals show as failed loads
    const problems = got.problems.filter((m) => !m.includes('/rows?') && !/status of 503/.test(m));
    if (problems.length) return problems.join('; ');
    if (collector.refused !== 3) return `${collector.refused} requests refused`;
    // the reopened page's new session posts its first row too
    const posts = collector.posts.filter((p) => p.body.slice(0, 16) === collector.posts[0].body.slice(0, 16));
    if (!posts.every((p) => /^text\/plain/.test(p.type) && new URL(p.url, 'http://x').searchParams.get('lab') === '1'))
      return 'a post without its type or the settings\' parameter';
    if (posts[0].body.split(',')[1] !== 'P017') return `participant in "${posts[0].body}"`;
    if (end.text !== 'The test has ended and your answers are saved. Thank you.' || end.links || end.kept.length || end.listed)
      return `at the end: "${end.text}", ${end.links} links, files kept: ${end.kept}, listed: ${end.listed}`;
    return postedAsHeadless(posts, 'sdl/tests/scenarios/full-run.scn', 'synthetic', 'post');
  } finally {
    await collector.close();
  }
});

// ---- bad input ----------------------------------------------------------------

const resourcesError = 'Error: not enough memory or error reading resources from "MERIDOKA.WDL" file.';
const displayError = 'Error: VGA adapter with at least 640x480 resolution required.';

// The page ends with this status and this message shown as an error.
async function endsWith(page, status, text) {
  await until(page, ['ended']);
  const got = await page.evaluate(() => ({
    status: window.meridoka.status(), text: document.getElementById('message').textContent,
    error: document.getElementById('box').classList.contains('error'),
  }));
  if (got.status !== status) return `status ${got.status}, expected ${status}`;
  if (got.text !== text || !got.error) return `the page says "${got.text}"`;
  return null;
}

// From the question to the end: No, then Esc on the instruction (ignored)
// and on the first item, each once the program waits.
async function quickRun(page) {
  await until(page, ['question']);
  await page.click('#no');
  for (let n = 1; n <= 2; n++) {
    await page.waitForFunction((w) => window.meridoka.waits() === w && window.meridoka.state() === 'waiting', n);
    await page.keyboard.press('Escape');
  }
  return until(page, ['ended']);
}

// A test on a fresh page; problems the page had count, but for the
// archive's own 404 where there is none and those matching options.ignore.
async function onPage(path, test, options = {}) {
  const p = await openPage(server.url + path, { browser, ...options });
  try {
    const problem = await test(p.page);
    const problems = p.problems.filter((m) => !(path === 'site/none/' && /404|MERIDOKA\.WDL$/.test(m)) &&
                                              !(options.ignore && options.ignore.test(m)));
    return problem || (problems.length ? problems.join('; ') : null);
  } finally {
    await p.close();
  }
}

await check('no archive: the resources error, then one chosen with the file picker', () => onPage('site/none/', async (page) => {
  const problem = await endsWith(page, 1, resourcesError);
  if (problem) return problem;
  if (!(await page.isVisible('#file'))) return 'no file picker';
  await page.setInputFiles('#file', archives.synthetic);
  await quickRun(page);
  return (await page.evaluate(() => window.meridoka.status())) === 0 ? null : 'the chosen archive did not run';
}));

await check('broken archive: the resources error, then one dropped on the page', () => onPage('site/broken/', async (page) => {
  const problem = await endsWith(page, 1, resourcesError);
  if (problem) return problem;
  const bytes = [...readFileSync(archives.synthetic)];
  const drop = await page.evaluateHandle((b) => {
    const data = new DataTransfer();
    data.items.add(new File([new Uint8Array(b)], 'MERIDOKA.WDL'));
    return data;
  }, bytes);
  await page.dispatchEvent('body', 'drop', { dataTransfer: drop });
  await quickRun(page);
  return (await page.evaluate(() => window.meridoka.status())) === 0 ? null : 'the dropped archive did not run';
}));

await check('no canvas to draw on: the display error', () => onPage('site/synthetic/', async (page) => {
  await until(page, ['question']);
  await page.click('#no');
  return endsWith(page, 2, displayError);
}, { init: () => { HTMLCanvasElement.prototype.getContext = () => null; } }));

await check('a bad participant ID in the link: a sentence before the test, no usage', () => onPage('site/synthetic/?participant=far-too-long-an-id-for-a-participant', async (page) => {
  await until(page, ['failed']);
  const text = await page.textContent('#message');
  if (!text.startsWith('The participant ID in this page\'s address ("far-too-long') || /\/P:|usage/i.test(text)) return `the page says "${text}"`;
  return (await page.evaluate(() => localStorage.length + document.querySelectorAll('#question:not([hidden])').length))
    ? 'the test went on' : null;
}));

await check('no WebAssembly: a plain message', () => onPage('site/synthetic/', async (page) => {
  await until(page, ['unsupported']);
  const text = await page.textContent('#message');
  return /needs a browser with WebAssembly/.test(text) && (await page.isVisible('#message')) ? null : `the page says "${text}"`;
}, { init: () => { delete window.WebAssembly; } }));

// ---- the page as a person sees it (PNGs kept in WORK_DIR) ---------------------

await check('the question, an item and the end, as screenshots of the page', () => onPage('site/sample/', async (page) => {
  await until(page, ['question']);
  const asked = await page.evaluate(() => ({
    text: document.getElementById('message').textContent,
    buttons: [...document.querySelectorAll('#question button')].map((b) => b.textContent),
  }));
  if (asked.text !== 'Запустить в полноэкранном режиме?' || asked.buttons.join() !== 'Да,Нет')
    return `the question reads "${asked.text}" [${asked.buttons}]`;
  await page.screenshot({ path: join(work, 'page-question.png') });
  await page.click('#no');
  const press = async (n, key) => {
    await page.waitForFunction((w) => window.meridoka.waits() === w && window.meridoka.state() === 'waiting', n);
    if (key) await page.keyboard.press(key);
  };
  await press(1, 'Space');
  await press(2, 'Digit3');
  await press(3, null);
  await page.screenshot({ path: join(work, 'page-item.png') });
  await press(3, 'Enter');
  await press(4, 'Escape');
  await until(page, ['ended']);
  if (!(await page.isVisible('#downloads a'))) return 'no result file offered at the end';
  await page.screenshot({ path: join(work, 'page-end.png') });
  return null;
}, { width: 1366, height: 768 }));

await remoteChecks({ check, browser, server, work, root, onPage, quickRun, storedFiles, studySite, postedAsHeadless });
await adminChecks({ check, browser, server, work, root, headless, journalsDiffer });

await browser.close();
await server.close();
console.log(`web-e2e: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
