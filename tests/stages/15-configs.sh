#!/usr/bin/env bash
# The other build configurations, warnings as errors: Release whole, with
# its tests run (the release stage packages this build), then MinSizeRel and
# Debug with the programs and tools alone (their tests compile in Release,
# in stage 10's RelWithDebInfo and in stage 20's Debug with sanitizers).
set -euo pipefail
build() {
  local config=$1 testing=$2 dir start
  dir=build-${config,,}
  start=$(date +%s)
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$config" -DMERIDOKA_WERROR=ON -DMERIDOKA_BENCH=OFF \
    -DBUILD_TESTING="$testing" >/dev/null
  cmake --build "$dir" > "$dir/build.log" 2>&1 || { grep -B2 -A12 -m5 'FAILED\|error' "$dir/build.log"; exit 1; }
  echo "15-configs: $config built in $(( $(date +%s) - start )) s"
}
build Release ON
build MinSizeRel OFF
build Debug OFF
ctest --test-dir build-release --output-on-failure -j2
