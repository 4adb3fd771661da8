#!/usr/bin/env bash
# Line coverage that the kept fuzz corpora reach: every target of
# tests/fuzz/targets.txt, built again with clang's source-based coverage,
# runs each input of its corpus (tests/fuzz/corpus/<target>/) once; llvm-cov
# then reports per source file (the targets' own checks and models left out),
# sums the parsing code up by group and lists the lines no input reached there.
#
#   scripts/fuzz-coverage.sh [BUILD_DIR]     (default: build-fuzz-cov)
#
# Writes BUILD_DIR/coverage/report.txt (the table), parsers.txt (the groups)
# and uncovered.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-targets.sh
build=${1:-build-fuzz-cov}
flags="-fprofile-instr-generate -fcoverage-mapping"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DMERIDOKA_FUZZ=ON -DMERIDOKA_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" --target fuzz >/dev/null
out=$build/coverage
rm -rf "$out"
mkdir -p "$out"

objects=()
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
for target in $(fuzz_targets); do
  fuzz_target "$target"
  exe=$build/$fuzz_exe
  [ -d "tests/fuzz/corpus/$target" ] || continue
  # -runs=0: each input once, no fuzzing
  LLVM_PROFILE_FILE="$out/$target.profraw" "$exe" -runs=0 -max_len="$fuzz_max_len" -timeout=30 \
    "tests/fuzz/corpus/$target" >"$out/$target.log" 2>&1 \
    || { echo "fuzz-coverage: $target failed on its own corpus, see $out/$target.log"; exit 1; }
  objects+=(-object "$exe")
done
llvm-profdata merge -sparse "$out"/*.profraw -o "$out/all.profdata"

# what counts: the program's code, not the targets, tests or system headers
ignore='(^|/)(tests|fuzz|usr)/'
llvm-cov report -instr-profile "$out/all.profdata" "${objects[@]:1}" -ignore-filename-regex="$ignore" \
  -show-region-summary=false -show-branch-summary=false -show-functions=false \
  | sed "s|$PWD/||" >"$out/report.txt"
llvm-cov export -format=lcov -instr-profile "$out/all.profdata" "${objects[@]:1}" \
  -ignore-filename-regex="$ignore" >"$out/all.lcov"

# the parsing code: line coverage per group, and the lines never reached
python3 - "$out/all.lcov" "$PWD" "$out/uncovered.txt" >"$out/parsers.txt" <<'PY'
import sys
lcov, root, uncovered = sys.argv[1], sys.argv[2] + "/", sys.argv[3]
groups = [("archive/ (reader, LZSS, tables)", ("archive/",)),
          ("item and message tables", ("archive/testinfo.cpp",)),
          ("pictures", ("graphics/image.cpp",)),
          ("font text", ("graphics/text.cpp",)),
          ("wdl encoder and glyph text", ("host/lzss_encode.cpp", "host/glyph_text.cpp")),
          ("journal reader", ("runner/journal_reader.cpp", "runner/session_rules.cpp", "runner/journal_format.cpp")),
          ("command line", ("runner/command_line.cpp",))]
path, hits = None, {}
for line in open(lcov):
    line = line.strip()
    if line.startswith("SF:"):
        path = line[3:].replace(root, "")
    elif line.startswith("DA:") and path:
        number, count = line[3:].split(",")[:2]
        hits.setdefault(path, {})[int(number)] = hits.get(path, {}).get(int(number), 0) + int(count)
with open(uncovered, "w") as out:
    for label, prefixes in groups:
        files = sorted(f for f in hits if f.startswith(prefixes))
        if not files:
            continue
        total = sum(len(hits[f]) for f in files)
        missed = [(f, n) for f in files for n, c in sorted(hits[f].items()) if c == 0]
        print(f"{label:34} {total - len(missed):5} of {total:5} lines  {100.0 * (total - len(missed)) / total:6.2f}%")
        for f, n in missed:
            source = open(root + f, encoding="utf-8", errors="replace").read().split("\n")
            out.write(f"{f}:{n}: {source[n - 1].strip()}\n")
PY
cat "$out/report.txt"
echo
echo "parsing code ($out/parsers.txt):"
cat "$out/parsers.txt"
echo "lines of it no input reached ($out/uncovered.txt):"
sort -u "$out/uncovered.txt"
