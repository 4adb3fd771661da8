#!/usr/bin/env bash
# The results report's benchmark: simulated journals of a test (as PCs
# running it would leave them), then add, add again, csv, html and one
# participant's page (person) timed.
# Prints figures, asserts no speed; a step that fails is reported as
# failed (no time) and the script exits 1.
#
#   tools/report/bench/run.sh [SESSIONS] [ITEMS] [BUILD_DIR] [postgres]
#   tools/report/bench/run.sh --scaling [SESSIONS] [BUILD_DIR]   csv and html at 50, 100, 200, 400 items
#
# The full size: tools/report/bench/run.sh 10000 60 and 1000 200 (targets:
# add under 10 s, csv and html under 2 s each, person under 1 s). The benchmark stage runs
# 1,000 x 60. Where R with eRm is installed, the same answers are fitted
# there (RM and person.parameter over the complete sessions) and the ratio
# to the report's whole csv printed. With "postgres" the add, csv and html
# run again into a PostgreSQL store of a throwaway cluster
# (tests/store/postgres.sh, local socket).
set -euo pipefail
scaling=0
if [ "${1:-}" = --scaling ]; then
  scaling=1
  shift
fi
sessions=${1:-10000} items=${2:-60} build=${3:-build} postgres=${4:-}
[ $scaling = 1 ] && { sessions=${1:-1000}; build=${2:-build}; }
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
failed=0

timed() {  # runs a command quietly; prints "WALL s (CPU s CPU)", or "failed" (with why on stderr)
  local rc=0 TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>"$work/step.err" || rc=$?; } 2>"$work/step.time"
  # add exits 2 when it skipped damaged files: the step itself worked
  if [ $rc != 0 ] && ! { [ "$2" = add ] && [ $rc = 2 ]; }; then
    echo "bench: failed (exit $rc): $*" >&2
    tail -5 "$work/step.err" | sed 's/^/  /' >&2
    echo failed
    return 0
  fi
  awk '{ printf "%.2f s (%.2f s CPU)", $1, $2 + $3 }' "$work/step.time"
}
per_second() {  # ROWS "WALL s ...": rows per wall second, or -
  awk -v n="$1" -v t="${2%% *}" 'BEGIN { if (t + 0 > 0) printf "%.0f", n / t; else printf "-" }'
}
ratio() {  # "A s ..." "B s ...": A / B
  awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { if (b + 0 > 0) printf "%.1f", a / b; else printf "-" }'
}
erm_seconds() {  # the eRm fit of the csv's complete sessions, inside R (reading the tables not counted)
  Rscript - "$1" 2>/dev/null <<'R' || echo failed
suppressMessages(library(eRm))
dir <- commandArgs(TRUE)[1]
rd <- function(f) read.csv(file.path(dir, f), fileEncoding = "UTF-8-BOM", stringsAsFactors = FALSE,
                           colClasses = c(session = "character"))
items <- rd("items.csv"); sessions <- rd("sessions.csv"); r <- rd("responses.csv")
analysed <- items$item[items$training == 0 & !is.na(items$rasch_b)]
r <- r[r$item %in% analysed & r$answered == 1, ]
X <- matrix(NA_integer_, nrow(sessions), length(analysed))
X[cbind(match(r$session, sessions$session), match(r$item, analysed))] <- r$right
X <- X[rowSums(is.na(X)) == 0, ]  # complete sessions: eRm is slow with many patterns of missing answers
t <- system.time({ m <- RM(X); p <- person.parameter(m) })[["elapsed"]]
cat(sprintf("%.2f", t))
R
}
have_erm() { command -v Rscript >/dev/null && Rscript -e 'library(eRm)' >/dev/null 2>&1; }

one_size() {  # sessions items: simulate, add, csv, html; prints the figures
  local n=$1 k=$2 dir=$work/$1x$2
  "$simulate" -n "$n" --items "$k" -o "$dir/journals" >/dev/null
  local rows bytes add again csv html store
  # (find, not a glob: tens of thousands of journals overflow one command line)
  rows=$(find "$dir/journals" -name '*.CSV' -exec cat {} + | grep -c $'\r$' || true)
  bytes=$(du -sb "$dir/journals" | cut -f1)
  add=$(timed "$report" add "$dir/results.db" "$dir/journals" --quiet)
  again=$(timed "$report" add "$dir/results.db" "$dir/journals" --quiet)
  csv=$(timed "$report" csv "$dir/results.db" -o "$dir/tables")
  html=$(timed "$report" html "$dir/results.db" -o "$dir/report.html")
  # one participant's page: add kept the test's calibration, so the first
  # page after it reads it as the next ones do; a page that has to make it
  # (after forget or push) is timed with the kept one taken out
  local person first_person making
  first_person=$(timed "$report" person "$dir/results.db" --participant P00017 -o "$dir/person.html")
  person=$(timed "$report" person "$dir/results.db" --participant P00018 -o "$dir/person.html")
  sqlite3 "$dir/results.db" "DELETE FROM calibrations"
  making=$(timed "$report" person "$dir/results.db" --participant P00019 -o "$dir/person.html")
  store=$(du -b "$dir/results.db" 2>/dev/null | cut -f1 || echo 0)
  printf 'report bench: %d sessions of a %d-item test: %d journal rows, %.1f MB of journals\n' \
    "$n" "$k" "$rows" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
  printf '  add       %-22s   (store %.1f MB)\n' "$add" "$(awk -v b="${store:-0}" 'BEGIN { print b / 1e6 }')"
  printf '  add again %-22s   (nothing changes)\n' "$again"
  printf '  csv       %-22s\n' "$csv"
  printf '  html      %-22s\n' "$html"
  printf '  person    %-22s   (the first after an add: %s; one making the calibration: %s)\n' "$person" \
    "$first_person" "$making"
  if [ "$k" -gt 200 ]; then
    printf '  eRm: not run above 200 items (it takes many minutes there)\n'
  elif [ "$csv" != failed ] && have_erm; then
    local erm
    erm=$(erm_seconds "$dir/tables")
    if [ "$erm" = failed ]; then
      printf '  eRm RM + person.parameter: failed\n'
    else
      printf '  eRm RM + person.parameter %s s: the report'"'"'s whole csv is %s times as fast\n' "$erm" \
        "$(awk -v e="$erm" -v c="${csv%% *}" 'BEGIN { printf "%.1f", e / (c > 0 ? c : 0.01) }')"
    fi
  fi
  local ok=1
  [ "$add" != failed ] && [ "$again" != failed ] && [ "$csv" != failed ] && [ "$html" != failed ] &&
    [ "$person" != failed ] && [ "$first_person" != failed ] && [ "$making" != failed ] || ok=0
  printf '  add rate  %s rows/s\n' "$(per_second "$rows" "$add")"
  if [ "$postgres" = postgres ]; then
    local db=bench_$1x$2 url padd pagain pcsv phtml
    pg_sql "CREATE DATABASE $db"
    url=${PG_URL_TEMPLATE/\{db\}/$db}
    padd=$(timed "$report" add "$url" "$dir/journals" --quiet)
    pagain=$(timed "$report" add "$url" "$dir/journals" --quiet)
    pcsv=$(timed "$report" csv "$url" -o "$dir/tables-pg")
    phtml=$(timed "$report" html "$url" -o "$dir/report-pg.html")
    printf '  PostgreSQL: add %s (%s rows/s, %s times SQLite), add again %s, csv %s, html %s\n' "$padd" \
      "$(per_second "$rows" "$padd")" "$(ratio "$padd" "$add")" "$pagain" "$pcsv" "$phtml"
    [ "$padd" != failed ] && [ "$pagain" != failed ] && [ "$pcsv" != failed ] && [ "$phtml" != failed ] || ok=0
  fi
  [ $ok = 1 ]
}

if [ $scaling = 1 ]; then
  for k in 50 100 200 400; do
    one_size "$sessions" "$k" || failed=1
  done
else
  one_size "$sessions" "$items" || failed=1
fi
exit $failed
