#!/usr/bin/env bash
# Benchmarks, run briefly: prints the figures (and keeps them in
# build/bench.json). Speed is reported here, never asserted.
set -euo pipefail
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka_bench journal_commit_bench
build/tests/bench/meridoka_bench --benchmark_min_time="${BENCH_MIN_TIME:-0.1}" \
  --benchmark_out=build/bench.json --benchmark_out_format=json
# the cost per answer of the session journal: a row written and fsync'ed, in
# the build folder (on the machine's disk)
build/tests/bench/journal_commit_bench build
# the results report: add, csv and html over 1,000 simulated sessions (full
# size: tools/report/bench/run.sh 10000 60)
cmake --build build --target meridoka-report report_simulate >/dev/null
tools/report/bench/run.sh "${REPORT_BENCH_SESSIONS:-1000}" 60 build
# the browser build: transfer size and time to the first item (stage 65
# builds build-web/)
if [ -f build-web/meridoka.wasm ] && [ -d tests/browser/node_modules/playwright-core ]; then
  node web/tests/bench.mjs build-web "${WEB_BENCH_RUNS:-5}"
fi
# how exact the journal's times are, measured from outside: the Linux
# program under Xvfb, keys at noted moments, 8 items (about 20 s; the
# README's figures: tests/bench/key_timing.py --runs 3)
if [ -x build/sdl/meridoka ]; then
  cmake --build build --target wdl sample_ru >/dev/null
  timeout 120 python3 tests/bench/key_timing.py sdl --exe build/sdl/meridoka --items 8
fi
# the same for the page in headless Chromium (stage 65 builds build-web/)
if [ -f build-web/meridoka.wasm ] && [ -d tests/browser/node_modules/playwright-core ]; then
  timeout 120 python3 tests/bench/key_timing.py web --exe build-web --items 8
fi
# Enter to the next item on DOS at about a 386DX-33 (stage 70 builds
# build-dos/; all three speeds: tests/dos/enter_to_next.sh)
if [ -f build-dos/MERIDOKA.EXE ]; then
  tests/dos/enter_to_next.sh build-dos 7800
fi
