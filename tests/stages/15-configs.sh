#!/usr/bin/env bash
# The other build configurations, warnings as errors: Release (whose tests
# run, and which the release stage packages), MinSizeRel and Debug.
# RelWithDebInfo is stage 10's; the benchmarks are built there only.
set -euo pipefail
for config in Release MinSizeRel Debug; do
  dir=build-${config,,}
  start=$(date +%s)
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=$config -DMERIDOKA_WERROR=ON -DMERIDOKA_BENCH=OFF >/dev/null
  cmake --build "$dir" > "$dir/build.log" 2>&1 || { grep -B2 -A12 -m5 'FAILED\|error' "$dir/build.log"; exit 1; }
  echo "15-configs: $config built in $(( $(date +%s) - start )) s"
done
ctest --test-dir build-release --output-on-failure -j2
