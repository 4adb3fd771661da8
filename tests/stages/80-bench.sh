#!/usr/bin/env bash
# Benchmarks, run briefly: prints the figures (and keeps them in
# build/bench.json). Speed is reported here, never asserted.
set -euo pipefail
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target meridoka_bench
build/tests/bench/meridoka_bench --benchmark_min_time="${BENCH_MIN_TIME:-0.1}" \
  --benchmark_out=build/bench.json --benchmark_out_format=json
