// A participant takes the test in headless Chromium from a study's link on
// a running meridoka-server, is reloaded in the middle and resumes: the
// page's own test helpers drive it (web/tests/drive.mjs). Writes the
// journal as the browser kept it just before the reload to OUT, for the
// stage to compare with the store.
//   node browser.mjs http://127.0.0.1:PORT/s/KEY/ SCENARIO RELOAD_AT OUT
import { readFileSync, writeFileSync } from 'node:fs';
import { launchChromium } from '../../../tests/browser/browser.mjs';
import { parseScenario, runScenario } from '../../../web/tests/drive.mjs';

const [link, scenario, reloadAt, out] = process.argv.slice(2);
const browser = await launchChromium();
let failed = null;
try {
  const got = await runScenario(browser, `${link}?participant=P017`, parseScenario(readFileSync(scenario, 'utf8')), {
    reloadAt: Number(reloadAt),
    atEnd: (page) => page.waitForFunction(() => !window.meridoka.saving(), null, { timeout: 30000 }),
  });
  if (got.problems.length) failed = got.problems.join('; ');
  else if (got.status !== 0) failed = `status ${got.status}`;
  else writeFileSync(out, got.journalAtReload);
} catch (e) {
  failed = String(e);
} finally {
  await browser.close();
}
if (failed) {
  console.error(`browser: ${failed}`);
  process.exit(1);
}
