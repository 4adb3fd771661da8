#!/usr/bin/env bash
# How long add takes to read the sessions a collecting server kept row by
# row, and how long once they are read: SESSIONS simulated journals of a
# 60-item test put into journal_rows (the last row of 100 of them held
# back), then timed: the first add (every session read), add again
# (nothing new), every session marked unread (what every add did before the
# import became incremental), the 100 held rows arriving (100 sessions read
# again and re-judged), and html. With "postgres" the store is then copied
# into a throwaway cluster's database (tests/store/postgres.sh; the copy's
# rows arrive unread) and add is timed there: every session read, then
# again. Prints figures, asserts no speed.
#
#   tools/report/bench/collected.sh [SESSIONS] [BUILD_DIR] [postgres]
set -euo pipefail
sessions=${1:-10000} build=${2:-build} postgres=${3:-}
report=$build/tools/report/meridoka-report
simulate=$build/tools/report/bench/report_simulate
[ -x "$report" ] && [ -x "$simulate" ] || { echo "bench: build meridoka-report and report_simulate first" >&2; exit 1; }
work=$(mktemp -d /tmp/meridoka-collected-bench-XXXXXX)
chmod 755 "$work"  # the cluster may run as the postgres user
trap 'rm -rf "$work"' EXIT
if [ "$postgres" = postgres ]; then
  . "$(dirname "$0")/../../../tests/store/postgres.sh"
  trap 'pg_stop; rm -rf "$work"' EXIT
  pg_start "$work/pg"
  pg_sql "CREATE DATABASE collected"
fi
"$simulate" -n "$sessions" --items 60 -o "$work/journals" >/dev/null
# an empty store of this version with the test's archive known from one journal, no sessions
"$report" add "$work/s.db" "$work/journals/pc01/S0000001.CSV" --quiet >/dev/null
sqlite3 "$work/s.db" "DELETE FROM responses; DELETE FROM sessions; DELETE FROM rows_unread"
python3 "$(dirname "$0")/collected_rows.py" "$work/s.db" "$work/journals" 100 "$work/held.tsv" >/dev/null
timed() {  # WALL s, and the add's last line
  local s e
  s=$(date +%s.%N)
  "$@" >"$work/out" 2>&1 || { echo "failed: $(tail -2 "$work/out")"; return 0; }
  e=$(date +%s.%N)
  awk -v s="$s" -v e="$e" 'BEGIN { printf "%.2f s", e - s }'
  printf '   (%s)\n' "$(tail -1 "$work/out")"
}
echo "collected bench: $sessions sessions of a 60-item test kept as rows ($(sqlite3 "$work/s.db" 'SELECT count(*) FROM journal_rows') rows)"
echo "  first add          $(timed "$report" add "$work/s.db" --quiet)"
echo "  add again          $(timed "$report" add "$work/s.db" --quiet)"
sqlite3 "$work/s.db" "INSERT INTO rows_unread SELECT DISTINCT session FROM journal_rows"
echo "  every session read $(timed "$report" add "$work/s.db" --quiet)"
python3 "$(dirname "$0")/collected_rows.py" "$work/s.db" --arrive "$work/held.tsv"
echo "  100 sessions' last rows arrived: $(timed "$report" add "$work/s.db" --quiet)"
echo "  html               $(timed "$report" html "$work/s.db" -o "$work/r.html")"
if [ "$postgres" = postgres ]; then
  url=${PG_URL_TEMPLATE/\{db\}/collected}
  "$report" copy "$work/s.db" "$url" >/dev/null
  echo "  PostgreSQL: every session read $(timed "$report" add "$url" --quiet)"
  echo "  PostgreSQL: add again          $(timed "$report" add "$url" --quiet)"
fi
