#!/usr/bin/env bash
# The results report beyond its unit tests (ctest runs those in stage 10)
# and its readers' fuzz target (stage 40): the page made from simulated
# sessions of the sample test, opened in headless Chromium (every section,
# plots drawn, no console errors, nothing fetched). Screenshots and a
# printed PDF stay in build/report-check/ for a person to look at, as do a
# participant's page, its screenshot and PDF.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-report report_simulate sample_ru >/dev/null
out=build/report-check
rm -rf "$out"
mkdir -p "$out"

report=build/tools/report/meridoka-report
build/tools/report/bench/report_simulate -n 300 --archive build/data/ru/MERIDOKA.WDL --pcs 3 -o "$out/journals"
$report add "$out/results.db" build/data/ru/MERIDOKA.WDL "$out/journals" --quiet
$report csv "$out/results.db" -o "$out/tables"
$report html "$out/results.db" -o "$out/report.html"

if [ ! -d tests/browser/node_modules/playwright-core ]; then
  echo "47-report: tests/browser/node_modules is missing (scripts/setup.sh runs npm ci there)" >&2
  exit 1
fi
node tools/report/tests/check_page.mjs "$out/report.html" "$out"

# add kept the calibration a participant's page needs; taken out here so
# that the first page makes it and the next one reads it (compared below)
kept() { sqlite3 "$out/results.db" "SELECT fingerprint FROM calibrations"; }
[ -n "$(kept)" ] || { echo "47-report: add kept no calibration in the store" >&2; exit 1; }
sqlite3 "$out/results.db" "DELETE FROM calibrations"

# one participant's page against a norm table of the simulated group
$report norms build "$out/results.db" -o "$out/norms.csv" --force >/dev/null
$report person "$out/results.db" --participant P00017 --norms "$out/norms.csv" -o "$out/P00017.html" \
  --pdf "$out/P00017.pdf"
[ "$(head -c 4 "$out/P00017.pdf")" = "%PDF" ] || { echo "47-report: person --pdf printed no PDF" >&2; exit 1; }
node tools/report/tests/check_person_page.mjs "$out/P00017.html" "$out"

# a 60-item test's page prints on one A4 page (pdfinfo), nothing past its
# width (the check above); its first page as a picture for a person to look at
build/tools/report/bench/report_simulate -n 120 --items 60 --complete --seed 4 -o "$out/long" >/dev/null
$report add "$out/long.db" "$out/long" --quiet >/dev/null
$report norms build "$out/long.db" -o "$out/long-norms.csv" --force >/dev/null
$report person "$out/long.db" --participant P00001 --norms "$out/long-norms.csv" -o "$out/long/P00001.html" \
  --pdf "$out/P00001-60-items.pdf" >/dev/null
pages=$(pdfinfo "$out/P00001-60-items.pdf" | awk '/^Pages:/ { print $2 }')
[ "$pages" = 1 ] || { echo "47-report: the page of a 60-item test prints on $pages A4 pages, not one" >&2; exit 1; }
pdftoppm -r 80 -png -singlefile "$out/P00001-60-items.pdf" "$out/P00001-60-items"
node tools/report/tests/check_person_page.mjs "$out/long/P00001.html" "$out/long" >/dev/null

# the page of a kept calibration is the page made from every session; a
# change to the test's sessions (here: one participant forgotten) makes it anew
made() { sed 's/, made [0-9: -]*\././' "$1"; }
$report person "$out/results.db" --participant P00017 --norms "$out/norms.csv" -o "$out/P00017-kept.html" >/dev/null
[ "$(made "$out/P00017.html")" = "$(made "$out/P00017-kept.html")" ] ||
  { echo "47-report: the person page from the kept calibration differs" >&2; exit 1; }
before=$(kept)
[ -n "$before" ] || { echo "47-report: person kept no calibration in the store" >&2; exit 1; }
$report forget "$out/results.db" --participant P00018 >/dev/null
$report person "$out/results.db" --participant P00017 -o "$out/P00017-again.html" >/dev/null
[ "$(kept)" != "$before" ] || { echo "47-report: the calibration was not made anew after a change" >&2; exit 1; }
