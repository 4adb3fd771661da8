#!/usr/bin/env bash
# A long fuzz campaign of one target, measured in executions, that ends by
# merging what it found into the target's kept corpus.
#
#   nice -n 19 scripts/fuzz-campaign.sh TARGET [RUNS] [BUILD_DIR]
#
# RUNS defaults to 10,000,000 executions, BUILD_DIR to build-fuzz (configured
# with clang++ and -DMERIDOKA_FUZZ=ON, target "fuzz" built; TARGET is a name
# from tests/fuzz/targets.txt). The run starts from tests/fuzz/corpus/TARGET/
# and the generated seeds; afterwards the corpus is replaced by the minimised
# union (-merge=1) of itself, the seeds and the new finds, so nothing that reached new
# code is lost. A crash or failed check stops the campaign before the merge;
# its input is in BUILD_DIR/campaign/TARGET/. Prints the executions, speed,
# coverage and the corpus before and after; the log stays beside the input.
# FUZZ_CAMPAIGN_SECONDS, when set, also ends the run after that many seconds
# (a shared machine's deadline); the executions printed are those done.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-targets.sh
target=${1:?usage: scripts/fuzz-campaign.sh TARGET [RUNS] [BUILD_DIR]}
runs=${2:-10000000}
build=$(realpath "${3:-build-fuzz}")
fuzz_target "$target"
exe=$build/$fuzz_exe
[ -x "$exe" ] || { echo "fuzz-campaign: $exe is missing (build the 'fuzz' target)" >&2; exit 1; }

kept=tests/fuzz/corpus/$target
out=$build/campaign/$target
rm -rf "$out"
mkdir -p "$out/found" "$out/merged" "$kept"
python3 tests/fuzz/make_seeds.py "$out/seeds"
inputs=("$out/found" "$kept")
[ -d "$out/seeds/$target" ] && inputs+=("$out/seeds/$target")

corpus_size() { echo "$(find "$1" -type f | wc -l) files, $(du -sb "$1" | cut -f1) bytes"; }
before=$(corpus_size "$kept")
export ASAN_OPTIONS=$fuzz_asan_options UBSAN_OPTIONS=$fuzz_ubsan_options
start=$(date +%s)
limit=()
[ -z "${FUZZ_CAMPAIGN_SECONDS:-}" ] || limit=(-max_total_time="$FUZZ_CAMPAIGN_SECONDS")
if ! "$exe" -runs="$runs" "${limit[@]}" -max_len="$fuzz_max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     -artifact_prefix="$out/" "${inputs[@]}" >"$out/campaign.log" 2>&1; then
  echo "fuzz-campaign: $target FAILED; last lines of $out/campaign.log:"
  tail -n 40 "$out/campaign.log"
  exit 1
fi
seconds=$(( $(date +%s) - start ))

"$exe" -merge=1 -max_len="$fuzz_max_len" -timeout=10 -rss_limit_mb=2048 "$out/merged" "${inputs[@]}" \
  >"$out/merge.log" 2>&1 || { echo "fuzz-campaign: merge failed, see $out/merge.log"; exit 1; }
rm -rf "$kept"
cp -r "$out/merged" "$kept"

stat() { sed -n "s/^stat::$1: *//p" "$out/campaign.log"; }
echo "target:      $target"
done_runs=$(stat number_of_executed_units)
echo "executions:  $done_runs of $runs asked$( [ "$done_runs" -ge "$runs" ] || echo ", stopped by the time limit")"
echo "             in ${seconds} s ($(stat average_exec_per_sec)/s), peak RSS $(stat peak_rss_mb) MB"
echo "coverage:    $(grep -E '^#[0-9]+.*(DONE|pulse)' "$out/campaign.log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')"
echo "new inputs:  $(stat new_units_added) during the run"
echo "corpus:      before $before; after $(corpus_size "$kept")"
echo "log:         $out/campaign.log"
