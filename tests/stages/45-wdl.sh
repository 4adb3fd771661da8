#!/usr/bin/env bash
# The archive tool beyond its unit tests (which ctest runs in stage 10):
# a short libFuzzer run of its fuzz targets, the packing benchmark's figures,
# and build + check of every test source under data/.
set -euo pipefail
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target wdl wdl_bench >/dev/null

if command -v clang++ >/dev/null; then
  out=build/wdl-fuzz
  mkdir -p "$out/corpus-lzss" "$out/corpus-glyph"
  flags=(-std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer)
  clang++ "${flags[@]}" tools/wdl/fuzz/lzss_encode_fuzz.cpp tools/wdl/lzss_encode.cpp archive/lzss.cpp \
    base/memory.cpp posix/memory_posix.cpp -o "$out/lzss_encode_fuzz"
  clang++ "${flags[@]}" tools/wdl/fuzz/glyph_text_fuzz.cpp tools/wdl/glyph_text.cpp tools/wdl/cp866.cpp \
    -o "$out/glyph_text_fuzz"
  "$out/lzss_encode_fuzz" -max_total_time=20 -max_len=20000 "$out/corpus-lzss" 2>&1 | tail -1
  "$out/glyph_text_fuzz" -max_total_time=10 "$out/corpus-glyph" 2>&1 | tail -1
fi

build/tools/wdl/bench/wdl_bench

find data -name test.json 2>/dev/null | sort | while read -r manifest; do
  archive=$(mktemp --suffix=.WDL)
  build/tools/wdl/wdl build "$manifest" -o "$archive"
  build/tools/wdl/wdl check "$archive"
  rm -f "$archive"
done
