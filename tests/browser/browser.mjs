// Headless Chromium for the tests: Debian's /usr/bin/chromium driven through
// playwright-core (no browser download). One small API for every page test:
//
//   const page = await openPage('/path/report.html', { width: 1280, height: 800 });
//   page.problems          console errors, page errors, requests that left the machine
//   await page.screenshot('shot.png', { fullPage: true });
//   await page.page.$$eval('svg', ...)      the playwright Page for anything else
//   await page.close();
//
// For many pages in a row, launch once and pass the browser: each page then
// gets a fresh context (its own storage) and close() closes only that.
//
//   const browser = await launchChromium();
//   const page = await openPage('http://127.0.0.1:8000/', { browser });
import { chromium } from 'playwright-core';
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

export const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';

// Flags that keep Chromium quiet on a machine without internet: no
// background connections, no component updates, no first-run work.
const quietFlags = [
  '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync',
];

// Chromium with the quiet flags, plus any of the caller's.
export function launchChromium(extraArgs = []) {
  return chromium.launch({ executablePath: chromiumPath, headless: true, args: [...quietFlags, ...extraArgs] });
}

// Requests that stay on the machine: files, data, and servers on loopback.
const local = /^(file:|data:|about:|blob:|https?:\/\/(127\.0\.0\.1|localhost|\[::1\])[:/])/;

// A URL as is; anything else is a file path.
function toUrl(target) {
  return /^[a-z]+:\/\//i.test(target) ? target : pathToFileURL(resolve(target)).href;
}

// Opens `target` (a file path or URL) in a fresh headless browser (or a
// fresh context of `browser`) and waits until it has loaded. With `offline`
// (the default) every request that would leave the machine is refused and
// counted as a problem; files and servers on loopback are fine.
// `init` (a function) runs in the page before its own scripts. `device`
// adds to the context's options: { deviceScaleFactor, isMobile, hasTouch }.
export async function openPage(target, { width = 1280, height = 800, offline = true, browser = null, init = null,
                                         device = {} } = {}) {
  const own = !browser;
  if (own) browser = await launchChromium();
  const context = await browser.newContext({ viewport: { width, height }, acceptDownloads: true, ...device });
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  const problems = [];
  page.on('console', (msg) => {
    if (msg.type() === 'error') problems.push(`console error: ${msg.text()}`);
  });
  page.on('pageerror', (err) => problems.push(`page error: ${err.message}`));
  page.on('requestfailed', (req) => {
    if (!offline || local.test(req.url()))
      problems.push(`request failed: ${req.url()}`);
  });
  if (offline) {
    await context.route('**/*', (route) => {
      const url = route.request().url();
      if (local.test(url)) return route.continue();
      problems.push(`the page asked for ${url}`);
      return route.abort();
    });
  }
  await page.goto(toUrl(target), { waitUntil: 'load' });
  return {
    page,
    context,
    problems,
    screenshot: (path, options = {}) => page.screenshot({ path, ...options }),
    close: () => (own ? browser.close() : context.close()),
  };
}
