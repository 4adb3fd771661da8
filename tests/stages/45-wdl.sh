#!/usr/bin/env bash
# The archive tool beyond its unit tests (which ctest runs in stage 10):
# a short libFuzzer run of its fuzz targets, the packing benchmark's figures,
# and build + strict check of every test source under data/ (the archive
# and the source).
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target wdl wdl_bench >/dev/null

if command -v clang++ >/dev/null; then
  out=build/wdl-fuzz
  mkdir -p "$out/corpus-lzss" "$out/corpus-glyph" "$out/corpus-text" "$out/corpus-check"
  flags=(-std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer
         "-DMERIDOKA_VERSION=\"$(scripts/version.sh)\"")
  text=(tools/wdl/cp866.cpp tools/wdl/text_convert.cpp tools/wdl/typography.cpp tools/wdl/diagnostics.cpp)
  clang++ "${flags[@]}" tools/wdl/fuzz/lzss_encode_fuzz.cpp tools/wdl/lzss_encode.cpp archive/lzss.cpp \
    base/memory.cpp posix/memory_posix.cpp -o "$out/lzss_encode_fuzz"
  clang++ "${flags[@]}" tools/wdl/fuzz/glyph_text_fuzz.cpp tools/wdl/glyph_text.cpp "${text[@]}" \
    -o "$out/glyph_text_fuzz"
  clang++ "${flags[@]}" tools/wdl/fuzz/source_text_fuzz.cpp tools/wdl/json_lines.cpp "${text[@]}" \
    -o "$out/source_text_fuzz"
  # check with the whole runner core behind it, on the headless platform
  clang++ "${flags[@]}" tools/wdl/fuzz/check_archive_fuzz.cpp tools/wdl/check.cpp tools/wdl/picture_check.cpp \
    tools/wdl/result_text.cpp tools/wdl/archive_file.cpp tools/wdl/lzss_encode.cpp tools/wdl/mono_png.cpp \
    tools/wdl/test_source.cpp tools/wdl/glyph_text.cpp "${text[@]}" base/*.cpp archive/*.cpp runner/*.cpp graphics/*.cpp platform/*.cpp \
    posix/file_posix.cpp headless/headless.cpp -lpng -o "$out/check_archive_fuzz"
  seed=$(mktemp -d)
  build/tools/wdl/wdl init "$seed/src" >/dev/null
  build/tools/wdl/wdl build "$seed/src" -o "$out/corpus-check/new-test.wdl" >/dev/null
  rm -rf "$seed"
  "$out/lzss_encode_fuzz" -max_total_time=20 -max_len=20000 "$out/corpus-lzss" 2>&1 | tail -1
  "$out/glyph_text_fuzz" -max_total_time=10 "$out/corpus-glyph" 2>&1 | tail -1
  "$out/source_text_fuzz" -max_total_time=10 "$out/corpus-text" 2>&1 | tail -1
  "$out/check_archive_fuzz" -max_total_time=20 -max_len=20000 "$out/corpus-check" 2>&1 | tail -1
fi

build/tools/wdl/bench/wdl_bench

find data -name test.json 2>/dev/null | sort | while read -r manifest; do
  archive=$(mktemp --suffix=.WDL)
  build/tools/wdl/wdl build "$manifest" -o "$archive"
  build/tools/wdl/wdl check "$archive" --strict
  build/tools/wdl/wdl check "$manifest" --strict
  rm -f "$archive"
done
