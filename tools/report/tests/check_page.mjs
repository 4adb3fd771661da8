// The report page in headless Chromium at 1280x800: every section there,
// every plot drawn, nothing wider than the window, no console errors,
// nothing fetched; screenshots and a printed PDF for a person to look at.
//
//   node tools/report/tests/check_page.mjs report.html OUT_DIR
import { openPage } from '../../../tests/browser/browser.mjs';

const [pagePath, outDir] = process.argv.slice(2);
if (!pagePath || !outDir) {
  console.error('usage: check_page.mjs REPORT.html OUT_DIR');
  process.exit(2);
}

const sections = ['scores', 'difficulty', 'wright', 'times', 'flags', 'model', 'distractors', 'scores-abilities', 'items',
  'sessions', 'answers'];
const failures = [];
const p = await openPage(pagePath, { width: 1280, height: 800 });
try {
  const page = await p.page.evaluate(() => ({
    width: document.documentElement.scrollWidth,
    methods: !!document.getElementById('methods'),
    tests: [...document.querySelectorAll('section.test')].map((t) => ({
      id: t.id,
      sections: [...t.querySelectorAll(':scope > section')].map((s) => s.id),
      plots: [...t.querySelectorAll('figure > svg')].map((svg) => {
        const box = svg.getBBox();
        return {
          label: svg.getAttribute('aria-label'),
          shapes: svg.querySelectorAll('rect, circle, line').length,
          drawn: box.width > 0 && box.height > 0,
          placeholder: svg.querySelector('.empty')?.textContent ?? null,
        };
      }),
      grids: t.querySelectorAll('td svg').length,
    })),
  }));
  if (page.tests.length === 0) failures.push('no test section');
  if (!page.methods) failures.push('no methods section');
  if (page.width > 1280) failures.push(`the page is ${page.width} px wide at a 1280 px window`);
  for (const t of page.tests) {
    for (const s of sections)
      if (!t.sections.includes(`${t.id}-${s}`)) failures.push(`${t.id}: no ${s} section`);
    if (t.plots.length !== 6) failures.push(`${t.id}: ${t.plots.length} plots, want 6`);
    for (const plot of t.plots) {
      if (!plot.drawn || plot.shapes < 5) failures.push(`${t.id}: plot "${plot.label}" is empty`);
      if (plot.placeholder) failures.push(`${t.id}: plot "${plot.label}" says "${plot.placeholder}"`);
    }
    console.log(`${t.id}: ${t.sections.length} sections; plots ${t.plots.map((x) => `${x.label} (${x.shapes} shapes)`).join(', ')}; ${t.grids} answer-cell grids`);
  }
  await p.screenshot(`${outDir}/report-1280x800.png`);
  await p.screenshot(`${outDir}/report-full.png`, { fullPage: true });
  await p.page.emulateMedia({ media: 'print' });
  await p.page.pdf({ path: `${outDir}/report.pdf`, format: 'A4', printBackground: true });
  failures.push(...p.problems);
} finally {
  await p.close();
}
if (failures.length) {
  console.error(`report page check FAILED:\n  ${failures.join('\n  ')}`);
  process.exit(1);
}
console.log(`report page check passed; screenshots and report.pdf in ${outDir}`);
