#!/usr/bin/env bash
# Host build and unit tests.
set -euo pipefail
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
