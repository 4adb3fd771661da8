#!/usr/bin/env bash
# Fuzz targets (clang, libFuzzer with ASan and UBSan): build every target of
# tests/fuzz/targets.txt and run each briefly from its kept corpus.
# FUZZ_SECONDS overrides the time per target.
set -euo pipefail
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMERIDOKA_FUZZ=ON -DMERIDOKA_BENCH=OFF -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build-fuzz --target fuzz
scripts/fuzz.sh "${FUZZ_SECONDS:-20}" build-fuzz

# The kept corpora of the core's parsers once more, as plain programs under
# valgrind's memcheck: it sees reads of memory that was never written,
# which AddressSanitizer cannot.
cmake --build build-fuzz --target fuzz_replay
for target in lzss res_load tables graphics journal options settings; do
  echo "--- $target: kept corpus under valgrind"
  valgrind -q --error-exitcode=99 build-fuzz/tests/replay_$target tests/fuzz/corpus/$target/*
done
