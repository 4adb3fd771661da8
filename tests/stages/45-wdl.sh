#!/usr/bin/env bash
# The archive tool beyond its unit tests (which ctest runs in stage 10) and
# its fuzz targets (stage 40): the packing benchmark's figures, and build +
# strict check of every test source under data/ (the archive and the source).
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target wdl wdl_bench >/dev/null
build/tools/wdl/bench/wdl_bench

find data -name test.json 2>/dev/null | sort | while read -r manifest; do
  archive=$(mktemp --suffix=.WDL)
  build/tools/wdl/wdl build "$manifest" -o "$archive"
  build/tools/wdl/wdl check "$archive" --strict
  build/tools/wdl/wdl check "$manifest" --strict
  rm -f "$archive"
done
