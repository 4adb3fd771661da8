// The browser build end to end in headless Chromium: the shared scenario
// scripts on the page against the headless tool (status, every F12
// screenshot and the result file byte for byte, every screenshot as the
// canvas showed it), leaving the page mid-test, full screen, the archive
// chosen or dropped, a missing or broken archive, no WebAssembly.
//
//   node web/tests/run-suite.mjs BUILD_WEB HEADLESS SAMPLE_WDL WORK_DIR
import { execFileSync, spawnSync } from 'node:child_process';
import { cpSync, mkdirSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium, openPage } from '../../tests/browser/browser.mjs';
import { fetchLink, parseScenario, runScenario, until } from './drive.mjs';
import { serve } from './server.mjs';

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

let passed = 0, failed = 0;
async function check(name, test) {
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
  };
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
  return null;
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
// archive's own 404 where there is none.
async function onPage(path, test, options = {}) {
  const p = await openPage(server.url + path, { browser, ...options });
  try {
    const problem = await test(p.page);
    const problems = p.problems.filter((m) => !(path === 'site/none/' && /404|MERIDOKA\.WDL$/.test(m)));
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
  if (asked.text !== 'Run in fullscreen mode?' || asked.buttons.join() !== 'Yes,No')
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

await browser.close();
await server.close();
console.log(`web-e2e: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
