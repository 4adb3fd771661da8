#!/usr/bin/env bash
# Rows per second into the server, and the latency to a durable 2xx, with
# wrk (not part of CI; wrk is in scripts/packages/server.txt):
#   tools/server/bench/run.sh [SECONDS [CONNECTIONS [PAUSE_MS]]]   SQLite, then PostgreSQL (a throwaway cluster)
# Each connection is a participant posting new rows, waiting PAUSE_MS after
# each answer: the default, 2000 connections and 1000 ms, is 2,000
# participants sending a row a second; PAUSE_MS 0 sends back to back (the
# most the server takes). SERVER_OPTIONS go to `serve` (e.g. --threads).
# The rows are counted back from the store afterwards: every row answered
# 2xx must be there (more may be: those under way when wrk stopped).
set -euo pipefail
cd "$(dirname "$0")/../../.."
seconds=${1:-20}
connections=${2:-2000}
pause=${3:-1000}
server=build/tools/server/meridoka-server
archive=build/data/ru/MERIDOKA.WDL
items=$(python3 -c 'import json; print(len(json.load(open("data/ru/test.json"))["items"]))')
cmake --build build --target meridoka-server sample_ru >/dev/null
[ -f build-web/index.html ] || web/build.sh build-web >/dev/null
ulimit -n 65536  # a socket per participant, on both ends
. tests/store/postgres.sh
work=$(mktemp -d /tmp/meridoka-server-bench-XXXXXX)
chmod 755 "$work"
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; pg_stop; rm -rf "$work"; }
trap cleanup EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

bench() {
  local store=$1 count=$2 link crc answered kept
  link=$($server study add --store "$store" Bench "$archive")
  crc=$($server study list --store "$store" | awk 'NR==1 {print $3}')
  # shellcheck disable=SC2086
  $server serve --store "$store" --listen "127.0.0.1:$port" --web build-web --rate 1000000000 ${SERVER_OPTIONS:-} \
    2>"$work/log" &
  pid=$!
  sleep 1
  wrk -t2 -c"$connections" -d"${seconds}s" --timeout 10s --latency -s tools/server/bench/rows.lua \
    "http://127.0.0.1:$port" -- "$link" "$crc" "$items" "$pause" > "$work/wrk.out"
  grep '^wrk:' "$work/wrk.out"
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "server memory (peak resident): $(awk '/VmHWM/ {print $2, $3}' /proc/$pid/status)"
  kill "$pid"
  wait "$pid" || true
  pid=""
  answered=$(sed -n 's/.* \([0-9]*\) answered 2xx.*/\1/p' "$work/wrk.out")
  kept=$($count "SELECT count(*) FROM journal_rows")
  echo "rows in the store: $kept (answered 2xx: $answered; lost: $(( answered > kept ? answered - kept : 0 ))), conflicts (doubled): $($count "SELECT count(*) FROM journal_row_conflicts")"
  echo "failed commits (answered 503): $(grep -c "rows not kept" "$work/log" || true)"
}

echo "SQLite ($connections connections, a pause of $pause ms after each answer, $seconds s; load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
sq() { sqlite3 "$work/bench.db" "$1"; }
bench "$work/bench.db" sq
pg_start "$work/pg"
pg_sql "CREATE DATABASE bench"
echo "PostgreSQL (load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
pgq() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d bench -c "$1"; }
bench "${PG_URL_TEMPLATE/\{db\}/bench}" pgq
