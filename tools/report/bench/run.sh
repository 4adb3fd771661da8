#!/usr/bin/env bash
# The results report's benchmark: simulated journals of a test (as PCs
# running it would leave them), then add, add again, csv and html timed.
# Prints figures, asserts nothing.
#
#   tools/report/bench/run.sh [SESSIONS] [ITEMS] [BUILD_DIR]
#
# The full size: tools/report/bench/run.sh 10000 60 (targets: add under
# 10 s, csv and html under 2 s each). The benchmark stage runs 1,000.
set -euo pipefail
sessions=${1:-10000} items=${2:-60} build=${3:-build}
report=$build/tools/report/meridoka-report
simulate=$build/tools/report/bench/report_simulate
[ -x "$report" ] && [ -x "$simulate" ] || { echo "bench: build meridoka-report and report_simulate first" >&2; exit 1; }
work=$(mktemp -d /tmp/meridoka-report-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

"$simulate" -n "$sessions" --items "$items" -o "$work/journals" >/dev/null
rows=$(cat "$work"/journals/*/*.CSV | grep -c $'\r$' || true)
bytes=$(du -sb "$work/journals" | cut -f1)

seconds() {  # runs a command quietly, prints its wall time in seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }'
}
add=$(seconds "$report" add "$work/results.db" "$work/journals" --quiet)
again=$(seconds "$report" add "$work/results.db" "$work/journals" --quiet)
csv=$(seconds "$report" csv "$work/results.db" -o "$work/tables")
html=$(seconds "$report" html "$work/results.db" -o "$work/report.html")
store=$(du -b "$work/results.db" | cut -f1)

printf 'report bench: %d sessions of a %d-item test: %d journal rows, %.1f MB of journals\n' \
  "$sessions" "$items" "$rows" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
printf '  add       %6s s   (store %.1f MB)\n' "$add" "$(awk -v b="$store" 'BEGIN { print b / 1e6 }')"
printf '  add again %6s s   (nothing changes)\n' "$again"
printf '  csv       %6s s   (%s)\n' "$csv" "$(du -sh "$work/tables" | cut -f1)"
printf '  html      %6s s   (%s)\n' "$html" "$(du -h "$work/report.html" | cut -f1)"
