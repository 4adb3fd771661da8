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
