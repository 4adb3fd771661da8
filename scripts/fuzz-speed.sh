#!/usr/bin/env bash
# Executions per second of fuzz targets: each runs SECONDS seconds from its
# kept corpus and the generated seeds (finds go to a scratch folder, the kept
# corpus is left alone), with the same options as scripts/fuzz.sh.
#
#   scripts/fuzz-speed.sh [SECONDS] [BUILD_DIR] [TARGET...]
#
# SECONDS defaults to 30, BUILD_DIR to build-fuzz (target "fuzz" built),
# the targets to all of tests/fuzz/targets.txt. Prints one line a target:
# name, executions per second of the wall clock and per second of the CPU
# time the target used (user and system: on a shared machine the steadier
# figure), executions, peak RSS, and the hours of one core a campaign of
# 10 million executions takes at that rate.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-targets.sh
seconds=${1:-30}
build=$(realpath "${2:-build-fuzz}")
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(fuzz_targets)
scratch=$(mktemp -d /tmp/meridoka-fuzz-speed.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
python3 tests/fuzz/make_seeds.py "$scratch/seeds"

printf '%-16s %10s %14s %12s %8s %10s\n' target execs/s execs/cpu-s executions rss_mb 10M_hours
for target in "${targets[@]}"; do
  fuzz_target "$target"
  mkdir -p "$scratch/found/$target"
  inputs=("$scratch/found/$target" "tests/fuzz/corpus/$target")
  [ -d "$scratch/seeds/$target" ] && inputs+=("$scratch/seeds/$target")
  log=$scratch/$target.log
  TIMEFORMAT='%U %S'
  { time ASAN_OPTIONS=$fuzz_asan_options UBSAN_OPTIONS=$fuzz_ubsan_options \
    "$build/$fuzz_exe" -max_total_time="$seconds" -max_len="$fuzz_max_len" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$scratch/" "${inputs[@]}" >"$log" 2>&1 \
    || { echo "$target FAILED:"; tail -n 20 "$log"; exit 1; } ; } 2>"$scratch/cpu"
  stat() { sed -n "s/^stat::$1: *//p" "$log"; }
  runs=$(stat number_of_executed_units)
  per_cpu=$(awk -v n="$runs" '{ t = $1 + $2; printf "%d", (t > 0 ? n / t : 0) }' "$scratch/cpu")
  hours=$(awk -v r="$per_cpu" 'BEGIN { if (r > 0) printf "%.1f", 1e7 / r / 3600; else print "-" }')
  printf '%-16s %10s %14s %12s %8s %10s\n' "$target" "$(stat average_exec_per_sec)" "$per_cpu" "$runs" \
    "$(stat peak_rss_mb)" "$hours"
done
