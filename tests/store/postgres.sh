# A throwaway PostgreSQL cluster for a test run, to be sourced:
#   pg_start DIR  starts one in DIR (a new folder) on a free port, Unix socket
#                 only, and sets PG_URL_TEMPLATE (postgresql://...{db}...),
#                 PG_URL (its postgres database), PG_PORT
#   pg_restart [PAUSE]  stops it as by a crash and starts it again
#   pg_stop       stops it (immediately) and removes DIR; safe to call twice
# Run as root, the cluster runs as the unprivileged `postgres` user; as
# another user, as that user.
PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
PG_DIR=""

pg_as_owner() {
  if [ "$(id -u)" = 0 ]; then
    su postgres -s /bin/sh -c "$*"
  else
    sh -c "$*"
  fi
}

# the cluster in $PG_DIR started on $PG_PORT
pg_run() {
  pg_as_owner "$PG_BIN/pg_ctl -D $PG_DIR/data -l $PG_DIR/log -o \"-p $PG_PORT -k $PG_DIR -c listen_addresses= -c fsync=on\" -w start >/dev/null"
}

pg_start() {
  PG_DIR=$1
  if [ -z "$PG_BIN" ] || [ ! -x "$PG_BIN/initdb" ]; then
    echo "PostgreSQL is not installed (scripts/setup.sh installs it)" >&2
    return 1
  fi
  mkdir -p "$PG_DIR"
  [ "$(id -u)" = 0 ] && chown postgres "$PG_DIR"
  chmod 700 "$PG_DIR"
  local try
  for try in 1 2 3 4 5; do
    PG_PORT=$((20000 + RANDOM % 10000))
    [ -e "/tmp/.s.PGSQL.$PG_PORT" ] || [ -e "$PG_DIR/.s.PGSQL.$PG_PORT" ] || break
  done
  pg_as_owner "$PG_BIN/initdb -D $PG_DIR/data -A trust -U postgres >$PG_DIR/initdb.log 2>&1"
  # one role that must give a password, for the refused-password check
  sed -i '1i local all needs_password scram-sha-256' "$PG_DIR/data/pg_hba.conf"
  pg_run
  PG_URL_TEMPLATE="postgresql://postgres@/{db}?host=$PG_DIR&port=$PG_PORT"
  PG_URL="postgresql://postgres@/postgres?host=$PG_DIR&port=$PG_PORT"
}

pg_stop() {
  if [ -n "$PG_DIR" ] && [ -d "$PG_DIR/data" ]; then
    pg_as_owner "$PG_BIN/pg_ctl -D $PG_DIR/data -m immediate stop >/dev/null 2>&1" || true
  fi
  [ -n "$PG_DIR" ] && rm -rf "$PG_DIR"
  PG_DIR=""
}

# The cluster stopped at once, as by a crash (connections cut, nothing
# flushed that was not committed), PAUSE seconds away, and started again.
pg_restart() {
  pg_as_owner "$PG_BIN/pg_ctl -D $PG_DIR/data -m immediate stop >/dev/null"
  sleep "${1:-1}"
  pg_run
}

# SQL on the cluster's postgres database (or the one given as $2).
pg_sql() {
  "$PG_BIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$PG_DIR" -p "$PG_PORT" -U postgres -d "${2:-postgres}" -c "$1"
}
