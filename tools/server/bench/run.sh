#!/usr/bin/env bash
# Rows per second into the server, and the latency to a durable 2xx, with
# wrk (not part of CI; wrk is in scripts/packages/server.txt):
#   tools/server/bench/run.sh [SECONDS [CONNECTIONS]]     SQLite, then PostgreSQL (a throwaway cluster)
# The rows are counted back from the store afterwards. The server serves
# one connection per thread (the HTTP library's model), so CONNECTIONS
# stays at or below its --threads; many more participants share
# connections through a proxy's keep-alive pool.
set -euo pipefail
cd "$(dirname "$0")/../../.."
seconds=${1:-10}
connections=${2:-48}
server=build/tools/server/meridoka-server
archive=build/data/ru/MERIDOKA.WDL
cmake --build build --target meridoka-server sample_ru >/dev/null
[ -f build-web/index.html ] || web/build.sh build-web >/dev/null
. tests/store/postgres.sh
work=$(mktemp -d /tmp/meridoka-server-bench-XXXXXX)
chmod 755 "$work"
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; pg_stop; rm -rf "$work"; }
trap cleanup EXIT
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

bench() {
  local store=$1 count=$2 link crc
  link=$($server study add --store "$store" Bench "$archive")
  crc=$($server study list --store "$store" | awk 'NR==1 {print $3}')
  $server serve --store "$store" --listen "127.0.0.1:$port" --web build-web --rate 1000000000 2>"$work/log" &
  pid=$!
  sleep 1
  wrk -t2 -c"$connections" -d"${seconds}s" --latency -s tools/server/bench/rows.lua "http://127.0.0.1:$port" -- "$link" "$crc" |
    grep '^wrk:'
  echo "server memory (peak resident): $(awk '/VmHWM/ {print $2, $3}' /proc/$pid/status)"
  kill "$pid"
  wait "$pid" || true
  pid=""
  echo "rows in the store: $($count "SELECT count(*) FROM journal_rows"), conflicts: $($count "SELECT count(*) FROM journal_row_conflicts")"
}

echo "SQLite ($connections connections, ${seconds} s)"
sq() { sqlite3 "$work/bench.db" "$1"; }
bench "$work/bench.db" sq
echo "PostgreSQL"
pg_start "$work/pg"
pg_sql "CREATE DATABASE bench"
pgq() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d bench -c "$1"; }
bench "${PG_URL_TEMPLATE/\{db\}/bench}" pgq
