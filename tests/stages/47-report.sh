#!/usr/bin/env bash
# The results report beyond its unit tests (ctest runs those in stage 10):
# a short libFuzzer run of its readers, then the page made from simulated
# sessions of the sample test, opened in headless Chromium (every section,
# plots drawn, no console errors, nothing fetched). Screenshots and a
# printed PDF stay in build/report-check/ for a person to look at.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-report report_simulate sample_ru >/dev/null
out=build/report-check
rm -rf "$out"
mkdir -p "$out"

if command -v clang++ >/dev/null; then
  mkdir -p "$out/fuzz-corpus"
  build/tools/report/bench/report_simulate -n 8 --items 6 --pcs 1 -o "$out/fuzz-seeds" >/dev/null
  cp "$out"/fuzz-seeds/pc01/*.CSV "$out/fuzz-corpus/"
  printf 'R\r\n\r\n+ | a\r\n- | b\r\n  | c\r\n\r\nT: 1(+) 1(-) (2/3)\r\n' > "$out/fuzz-corpus/result.txt"
  r=tools/report
  clang++ -std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer \
    $r/fuzz/readers_fuzz.cpp $r/csv.cpp $r/fields.cpp $r/session.cpp $r/journal.cpp $r/result_sheet.cpp \
    $r/codepages.cpp tools/wdl/cp866.cpp tools/wdl/text_convert.cpp tools/wdl/typography.cpp \
    tools/wdl/diagnostics.cpp -o "$out/readers_fuzz"
  "$out/readers_fuzz" -max_total_time="${FUZZ_SECONDS:-20}" -max_len=8192 -timeout=10 \
    -artifact_prefix="$out/" "$out/fuzz-corpus" 2>&1 | tail -1
fi

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
