// Benchmarks of the browser build, figures only (nothing is asserted):
//   - transfer size: every file the page loads, raw and gzip -9, and the
//     script + module total against the 150 KB budget;
//   - time to the first item: the page opened from a static server on
//     127.0.0.1 (Python's, in a process of its own, as make run-web) in
//     headless Chromium, the question answered and the instruction
//     dismissed as soon as they are there; the program's own times from
//     the page's marks (performance.now(), from the start of navigation).
//
//   node web/tests/bench.mjs BUILD_WEB [RUNS]
import { spawn } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { createServer } from 'node:net';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launchChromium, openPage } from '../../tests/browser/browser.mjs';

// A free port on 127.0.0.1.
function freePort() {
  return new Promise((resolve) => {
    const probe = createServer().listen(0, '127.0.0.1', () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function staticServer(root) {
  const port = await freePort();
  const child = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', root],
                      { stdio: 'ignore' });
  const url = `http://127.0.0.1:${port}/`;
  for (let t = 0; t < 100; t++) {
    if (await fetch(url).then((r) => r.ok, () => false)) break;
    await new Promise((r) => setTimeout(r, 100));
  }
  return { url, close: () => child.kill() };
}

const dir = resolve(process.argv[2] || 'build-web');
const runs = Number(process.argv[3] || 5);

let scripts = 0, all = 0;
console.log('file                 bytes    gzip -9');
for (const name of readdirSync(dir).filter((f) => /\.(html|js|wasm)$/.test(f)).sort()) {
  const bytes = readFileSync(join(dir, name));
  const gz = gzipSync(bytes, { level: 9 }).length;
  all += gz;
  if (!name.endsWith('.html')) scripts += gz;
  console.log(`${name.padEnd(18)} ${String(bytes.length).padStart(7)} ${String(gz).padStart(10)}`);
}
console.log(`script + module: ${(scripts / 1024).toFixed(1)} KB gzip (budget 150 KB); with the page ${(all / 1024).toFixed(1)} KB`);

const server = await staticServer(dir);
const browser = await launchChromium();
const rows = [];
for (let n = 0; n < runs; n++) {
  const opened = Date.now();
  const p = await openPage(server.url, { browser, offline: false });
  const page = p.page;
  await page.waitForFunction(() => window.meridoka.state() === 'question', null, { polling: 5 });
  await page.click('#no');
  await page.waitForFunction(() => window.meridoka.waits() === 1 && window.meridoka.state() === 'waiting', null, { polling: 5 });
  await page.keyboard.press('Space');
  await page.waitForFunction(() => window.meridoka.waits() === 2 && window.meridoka.state() === 'waiting', null, { polling: 5 });
  const wall = Date.now() - opened;
  const marks = await page.evaluate(() => window.meridoka.marks());
  await p.close();
  const at = (what, k = 0) => marks.filter((m) => m[0] === what)[k][1];
  rows.push({
    question: at('question'), intro: at('wait', 0) - at('answer'), item: at('wait', 1) - at('key'),
    wall,
  });
}
await browser.close();
server.close();

const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const fmt = (key) => `${median(rows.map((r) => r[key])).toFixed(0)} ms`;
console.log(`first item, median of ${runs} runs from 127.0.0.1:`);
console.log(`  page opened -> question shown (module compiled, archive read): ${fmt('question')}`);
console.log(`  answer -> instruction on screen: ${fmt('intro')}; key -> first item on screen: ${fmt('item')}`);
const machine = rows.map((r) => r.question + r.intro + r.item);
console.log(`  the program's share in all: ${median(machine).toFixed(0)} ms; ` +
            `wall clock with the driver's own delays: ${fmt('wall')}`);
