#!/usr/bin/env bash
# The results report's benchmark: simulated journals of a test (as PCs
# running it would leave them), then add, add again, csv and html timed.
# Prints figures, asserts nothing.
#
#   tools/report/bench/run.sh [SESSIONS] [ITEMS] [BUILD_DIR] [postgres]
#
# The full size: tools/report/bench/run.sh 10000 60 (targets: add under
# 10 s, csv and html under 2 s each). The benchmark stage runs 1,000.
# With "postgres" the same runs again into a PostgreSQL store of a
# throwaway cluster (tests/store/postgres.sh, local socket).
set -euo pipefail
sessions=${1:-10000} items=${2:-60} build=${3:-build} postgres=${4:-}
report=$build/tools/report/meridoka-report
simulate=$build/tools/report/bench/report_simulate
[ -x "$report" ] && [ -x "$simulate" ] || { echo "bench: build meridoka-report and report_simulate first" >&2; exit 1; }
work=$(mktemp -d /tmp/meridoka-report-bench-XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
if [ "$postgres" = postgres ]; then
  . "$(dirname "$0")/../../../tests/store/postgres.sh"
  trap 'pg_stop; rm -rf "$work"' EXIT
  pg_start "$work/pg"
  pg_sql "CREATE DATABASE bench"
fi

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
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }
printf 'report bench: %d sessions of a %d-item test: %d journal rows, %.1f MB of journals\n' \
  "$sessions" "$items" "$rows" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
run_on() {  # NAME STORE
  local add again csv html
  add=$(seconds "$report" add "$2" "$work/journals" --quiet)
  again=$(seconds "$report" add "$2" "$work/journals" --quiet)
  csv=$(seconds "$report" csv "$2" -o "$work/tables-$1")
  html=$(seconds "$report" html "$2" -o "$work/report-$1.html")
  printf '  %-10s add %6s s (%s rows/s)   add again %6s s   csv %6s s   html %6s s\n' "$1" "$add" \
    "$(per_second "$rows" "$add")" "$again" "$csv" "$html"
}
run_on sqlite "$work/results.db"
printf '  (SQLite store %.1f MB)\n' "$(awk -v b="$(du -b "$work/results.db" | cut -f1)" 'BEGIN { print b / 1e6 }')"
if [ "$postgres" = postgres ]; then
  run_on postgresql "${PG_URL_TEMPLATE/\{db\}/bench}"
fi
