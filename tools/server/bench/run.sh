#!/usr/bin/env bash
# Rows per second into the server, and the latency to a durable 2xx (not
# part of CI):
#   tools/server/bench/run.sh [SECONDS [PARTICIPANTS [INTERVAL_MS]]]   SQLite, then PostgreSQL (a throwaway cluster)
# Each participant posts a new row every INTERVAL_MS on a fixed clock, on a
# connection of its own per row, as the page does (bench/participants.cpp;
# latency counted from the moment a row was due): the default, 2000
# participants and 1000 ms, offers 2,000 rows a second; INTERVAL_MS 0 sends
# back to back (the most the server takes). SERVER_OPTIONS go to `serve`
# (e.g. --threads). The rows are counted back from the store afterwards:
# every row answered 2xx must be there.
set -euo pipefail
cd "$(dirname "$0")/../../.."
seconds=${1:-20}
participants=${2:-2000}
interval=${3:-1000}
server=${SERVER:-build/tools/server/meridoka-server}
archive=build/data/ru/MERIDOKA.WDL
items=$(python3 -c 'import json; print(len(json.load(open("data/ru/test.json"))["items"]))')
cmake --build build --target meridoka-server server-bench-participants sample_ru >/dev/null
load=build/tools/server/server-bench-participants
[ -f build-web/index.html ] || web/build.sh build-web >/dev/null
ulimit -n "$(ulimit -Hn)"  # a socket per participant, on both ends
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
  $load "$port" "$link" "$crc" "$items" "$seconds" "$participants" "$interval" > "$work/load.out"
  cat "$work/load.out"
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "server memory (peak resident): $(awk '/VmHWM/ {print $2, $3}' /proc/$pid/status)"
  # CPU the server used (user + system, clock ticks): what a row costs however busy the machine is
  echo "server CPU: $(awk -v hz="$(getconf CLK_TCK)" '{printf "%.1f s", ($14 + $15) / hz}' /proc/$pid/stat)"
  kill "$pid"
  wait "$pid" || true
  pid=""
  answered=$(sed -n 's/.* \([0-9]*\) answered 2xx.*/\1/p' "$work/load.out")
  kept=$($count "SELECT count(*) FROM journal_rows")
  echo "rows in the store: $kept (answered 2xx: $answered; lost: $(( answered > kept ? answered - kept : 0 ))), conflicts (doubled): $($count "SELECT count(*) FROM journal_row_conflicts")"
  echo "failed commits (answered 503): $(grep -c "rows not kept" "$work/log" || true)"
}

echo "SQLite ($participants participants, a row every $interval ms each, $seconds s; load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
sq() { sqlite3 "$work/bench.db" "$1"; }
bench "$work/bench.db" sq
pg_start "$work/pg"
pg_sql "CREATE DATABASE bench"
echo "PostgreSQL (load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
pgq() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d bench -c "$1"; }
bench "${PG_URL_TEMPLATE/\{db\}/bench}" pgq
