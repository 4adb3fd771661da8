#!/usr/bin/env bash
# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDOKA_SANITIZE=ON -DMERIDOKA_BENCH=OFF -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
