#!/usr/bin/env bash
# Runs every fuzz target (tests/fuzz/targets.txt) for SECONDS seconds each,
# starting from its kept corpus (tests/fuzz/corpus/<target>/) and the
# generated seeds. What a run finds stays in BUILD_DIR/fuzz-corpus/; the
# kept corpora grow only through scripts/fuzz-campaign.sh.
#
#   scripts/fuzz.sh SECONDS [BUILD_DIR]     (BUILD_DIR default: build-fuzz)
#
# The build directory must have been configured with -DMERIDOKA_FUZZ=ON and
# clang++ and built (target "fuzz"). Crashes are written to
# BUILD_DIR/fuzz-findings/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-targets.sh
seconds=${1:?usage: scripts/fuzz.sh SECONDS [BUILD_DIR]}
build=$(realpath "${2:-build-fuzz}")
corpus=$build/fuzz-corpus
seeds=$build/fuzz-seeds
findings=$build/fuzz-findings
mkdir -p "$corpus" "$findings"
python3 tests/fuzz/make_seeds.py "$seeds"

status=0
for target in $(fuzz_targets); do
  fuzz_target "$target"
  exe=$build/$fuzz_exe
  [ -x "$exe" ] || { echo "fuzz: $exe is missing (build the 'fuzz' target)"; exit 1; }
  mkdir -p "$corpus/$target" "tests/fuzz/corpus/$target"
  inputs=("$corpus/$target" "tests/fuzz/corpus/$target")  # new finds go to the first
  [ -d "$seeds/$target" ] && inputs+=("$seeds/$target")
  echo "--- $target for ${seconds}s"
  log=$build/fuzz-$target.log
  if ASAN_OPTIONS=$fuzz_asan_options \
     UBSAN_OPTIONS=$fuzz_ubsan_options \
     "$exe" -max_total_time="$seconds" -max_len="$fuzz_max_len" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$findings/$target-" "${inputs[@]}" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$log" || tail -n 3 "$log"
    echo "$target: $(ls tests/fuzz/corpus/$target | wc -l) kept + $(ls "$corpus/$target" | wc -l) new corpus files"
  else
    echo "$target FAILED; last lines of $log:"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
