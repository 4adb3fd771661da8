#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds each, starting from a freshly
# generated seed corpus plus whatever the earlier runs found.
#
#   scripts/fuzz.sh SECONDS [BUILD_DIR]     (BUILD_DIR default: build-fuzz)
#
# The build directory must have been configured with -DMERIDOKA_FUZZ=ON and
# clang++ and built (target "fuzz"). Crashes are written to
# BUILD_DIR/fuzz-findings/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [BUILD_DIR]}
build=$(realpath "${2:-build-fuzz}")
corpus=$build/fuzz-corpus
findings=$build/fuzz-findings
mkdir -p "$corpus" "$findings"
python3 tests/fuzz/make_seeds.py "$corpus"

# each target's own limits: inputs small enough that every run stays fast
declare -A max_len=([lzss]=4096 [res_load]=4096 [tables]=2048 [graphics]=8192 [journal]=4096 [options]=256)
status=0
for target in lzss res_load tables graphics journal options; do
  exe=$build/tests/fuzz/fuzz_$target
  [ -x "$exe" ] || { echo "fuzz: $exe is missing (build the 'fuzz' target)"; exit 1; }
  echo "--- fuzz_$target for ${seconds}s"
  log=$build/fuzz-$target.log
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     "$exe" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$findings/$target-" "$corpus/$target" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$log" || tail -n 3 "$log"
    echo "fuzz_$target: $(ls "$corpus/$target" | wc -l) corpus files"
  else
    echo "fuzz_$target FAILED; last lines of $log:"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
