#!/usr/bin/env bash
# The whole program, in-process on the headless platform, under
# AddressSanitizer and UndefinedBehaviorSanitizer: truncations and
# single-byte damage of the sample archive (damage_sweep: every damage of
# the header, directory and tables, every cut inside them and every 16th
# prefix; SWEEP_PREFIX_STEP=1 takes every prefix), then random key scripts
# checked against a model of the runner (soak; SOAK_RUNS, default 2000, and
# SOAK_SEED override; a failure prints the seed that replays it).
set -euo pipefail
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDOKA_SANITIZE=ON -DMERIDOKA_BENCH=OFF \
  -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build-asan --target damage_sweep soak sample_ru
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sample=build-asan/data/ru/MERIDOKA.WDL
build-asan/tests/robust/damage_sweep --prefix-step "${SWEEP_PREFIX_STEP:-16}" "$sample"
build-asan/tests/robust/soak --runs "${SOAK_RUNS:-2000}" ${SOAK_SEED:+--seed "$SOAK_SEED"} --sample "$sample"
