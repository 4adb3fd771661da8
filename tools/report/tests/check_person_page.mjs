// One participant's page in headless Chromium at 1280x800: its sections
// there, the time profile drawn, nothing wider than the window, no console
// errors, nothing fetched; printed, nothing wider than A4; a screenshot and
// an A4 PDF for a person to look at.
//
//   node tools/report/tests/check_person_page.mjs P.html OUT_DIR
import { openPage } from '../../../tests/browser/browser.mjs';

const [pagePath, outDir] = process.argv.slice(2);
if (!pagePath || !outDir) {
  console.error('usage: check_person_page.mjs PERSON.html OUT_DIR');
  process.exit(2);
}
const failures = [];
const p = await openPage(pagePath, { width: 1280, height: 800 });
try {
  const page = await p.page.evaluate(() => ({
    width: document.documentElement.scrollWidth,
    headings: [...document.querySelectorAll('h2')].map((h) => h.textContent),
    plot: (() => {
      const svg = document.querySelector('svg');
      if (!svg) return null;
      const box = svg.getBBox();
      return { drawn: box.width > 0 && box.height > 0, points: svg.querySelectorAll('circle').length };
    })(),
    text: document.body.innerText,
  }));
  for (const h of ['Score and ability', 'Norms', 'To look at', 'Response times', 'Item by item', 'Session'])
    if (!page.headings.includes(h)) failures.push(`no section "${h}"`);
  if (!page.plot || !page.plot.drawn || page.plot.points < 3) failures.push('the response-time profile is not drawn');
  if (page.width > 1280) failures.push(`the page is ${page.width} px wide at a 1280 px window`);
  if (/NaN|\binf\b/.test(page.text)) failures.push('the page shows NaN or inf');
  await p.screenshot(`${outDir}/person-1280x800.png`, { fullPage: true });
  await p.page.emulateMedia({ media: 'print' });
  // printed: A4 less the page's 12 mm margins is 186 mm = 703 CSS px wide;
  // nothing may reach past it (it would be cut off on paper)
  await p.page.setViewportSize({ width: 703, height: 1000 });
  const past = await p.page.evaluate(() =>
    [...document.querySelectorAll('body *')]
      .filter((e) => e.getBoundingClientRect().right > 703.5)
      .map((e) => `${e.tagName.toLowerCase()} "${(e.textContent || '').slice(0, 30)}"`));
  if (past.length) failures.push(`printed, ${past.length} elements reach past the A4 width: ${past.slice(0, 3).join(', ')}`);
  await p.page.pdf({ path: `${outDir}/person.pdf`, preferCSSPageSize: true, printBackground: true });
  failures.push(...p.problems);
} finally {
  await p.close();
}
if (failures.length) {
  console.error(`person page check FAILED:\n  ${failures.join('\n  ')}`);
  process.exit(1);
}
console.log(`person page check passed; screenshot and person.pdf in ${outDir}`);
