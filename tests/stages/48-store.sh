#!/usr/bin/env bash
# The results store on PostgreSQL: a throwaway cluster of its own (a temp
# folder, a free port, socket only; stopped and removed on any exit). The
# report's store and command tests run on it; the same CSV tables and page
# figures come from both back ends; copies between them compare equal; 8
# writers at once keep every session once (the longest copy); the server
# stopped in the middle of an add loses nothing; stores that cannot be used
# get a sentence and a non-zero exit; a collecting server's store copied to
# PostgreSQL and back keeps every table, and the server on the copy serves
# the study and takes the researcher's login and token. PostgreSQL itself is installed by
# scripts/setup.sh (scripts/packages/store.txt).
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-report meridoka-server report_tests report_simulate sample_ru meridoka-headless >/dev/null
report=build/tools/report/meridoka-report
simulate=build/tools/report/bench/report_simulate
archive=build/data/ru/MERIDOKA.WDL

. tests/store/postgres.sh
work=$(mktemp -d /tmp/meridoka-store-XXXXXX)
chmod 755 "$work"
served=""  # a meridoka-server started below, stopped on any exit
cleanup() { [ -z "$served" ] || kill "$served" 2>/dev/null || true; pg_stop; rm -rf "$work"; }
trap cleanup EXIT
pg_start "$work/pg"
url() { echo "${PG_URL_TEMPLATE/\{db\}/$1}"; }
newdb() { pg_sql "CREATE DATABASE $1"; url "$1"; }
q() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d "$1" -c "$2"; }
fail() { echo "48-store: FAIL: $*" >&2; exit 1; }
# a command that must fail with status 1 and a sentence containing $1
refused() {
  local want=$1 out status=0
  shift
  out=$("$@" 2>&1) || status=$?
  [ "$status" = 1 ] || fail "status $status, not 1, for: $* ($out)"
  grep -Fq -- "$want" <<< "$out" || fail "no '$want' in: $out"
  echo "  refused: $out"
}

echo "48-store: the report's store and command tests on PostgreSQL"
MERIDOKA_TEST_POSTGRES=$PG_URL_TEMPLATE build/tools/report/tests/report_tests \
  --gtest_filter='StoreTest.*:Command.*:PersonPage.*' --gtest_brief=1

echo "48-store: the same tables and figures from both stores, and copies both ways"
"$simulate" -n 300 --archive "$archive" --pcs 3 -o "$work/journals" >/dev/null
pg=$(newdb same)
$report add "$work/s.db" "$archive" "$work/journals" --quiet >/dev/null 2>&1
$report add --store "$pg" "$archive" "$work/journals" --quiet >/dev/null 2>&1
$report csv "$work/s.db" -o "$work/csv-sqlite" >/dev/null
$report csv --store "$pg" -o "$work/csv-pg" >/dev/null
diff -r "$work/csv-sqlite" "$work/csv-pg" >/dev/null || fail "the CSV tables of the two stores differ"
$report html "$work/s.db" -o "$work/sqlite.html" >/dev/null
$report html "$pg" -o "$work/pg.html" >/dev/null
# the page names its store and the time it was made; all else is equal
strip() { sed -E 's/ from [^<]*, made [0-9: -]+\. / from STORE. /' "$1"; }
diff <(strip "$work/sqlite.html") <(strip "$work/pg.html") >/dev/null || fail "the pages of the two stores differ"
grep -q "postgresql://postgres@/same" "$work/pg.html" || fail "the page does not name its PostgreSQL store"
# a participant's page: the test's calibration (add kept it; taken out so
# that the page makes it) made and kept in each store, then read back
sqlite3 "$work/s.db" "DELETE FROM calibrations"
q same "DELETE FROM calibrations" >/dev/null
strip_person() { sed -E 's/From [^<]*, made [0-9: -]+\./From STORE./' "$1"; }
for p in sqlite:$work/s.db made:$pg kept:$pg; do
  $report person "${p#*:}" --participant P00017 -o "$work/person-${p%%:*}.html" >/dev/null
done
[ "$(q same "SELECT count(*) FROM calibrations")" = 1 ] || fail "the PostgreSQL store kept no calibration"
for p in made kept; do
  diff <(strip_person "$work/person-sqlite.html") <(strip_person "$work/person-$p.html") >/dev/null ||
    fail "the person page of the PostgreSQL store ($p calibration) differs"
done
copy=$(newdb copied)
$report copy "$work/s.db" "$copy"
$report copy "$copy" "$work/back.db"
$report csv "$work/back.db" -o "$work/csv-back" >/dev/null
diff -r "$work/csv-sqlite" "$work/csv-back" >/dev/null || fail "a store copied there and back differs"
refused "already holds results" $report copy "$work/s.db" "$copy"

echo "48-store: a collecting server's store copied to PostgreSQL and back"
server=build/tools/server/meridoka-server
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
mkdir -p "$work/web"  # the page's two files the server needs; only the study's archive is looked at here
echo '<!doctype html><title>page</title>' > "$work/web/index.html"
: > "$work/web/meridoka.wasm"
# serve STORE: the server on a free port in the background ($served, $base)
serve() {
  local port
  port=$(free_port)
  base="http://127.0.0.1:$port"
  $server serve --store "$1" --listen "127.0.0.1:$port" --web "$work/web" 2>>"$work/server.log" & served=$!
  for _ in $(seq 100); do curl -s -o /dev/null "$base/lab/login" && return 0; sleep 0.1; done
  fail "the server did not start: $(tail -3 "$work/server.log")"
}
stop_serving() { kill "$served"; wait "$served" 2>/dev/null || true; served=""; }
# login: the researcher logged in on the server at $base (cookies in $jar)
login() {
  jar="$work/jar"
  rm -f "$jar"
  local csrf
  csrf=$(curl -s -c "$jar" "$base/lab/login" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
  curl -s -o /dev/null -b "$jar" -c "$jar" "$base/lab/login" --data-urlencode name=anna \
    --data-urlencode 'password=correct horse battery' -d "csrf=$csrf"
}
echo "correct horse battery" | $server user add --store "$work/lab.db" anna >/dev/null
link=$($server study add --store "$work/lab.db" Pilot "$archive")
token=$($server token add --store "$work/lab.db" anna)
serve "$work/lab.db"
MERIDOKA_TOKEN=$token $report push "$base/" --study "${link:3:32}" "$work/journals/pc01" >/dev/null ||
  fail "push into the SQLite server"
curl -s -o /dev/null --data-binary 'not a row' "$base${link}rows?session=00000000000000e1&row=1"  # quarantined
login
curl -s -o /dev/null -b "$jar" "$base/lab/study/${link:3:32}/sessions.csv"  # in the audit log
stop_serving
labpg=$(newdb lab)
$report copy "$work/lab.db" "$labpg" | tee "$work/copy.out"
$report copy "$labpg" "$work/lab-back.db" >/dev/null
for t in studies study_sessions journal_rows researchers push_tokens quarantine audit_log; do
  [ "$(sqlite3 "$work/lab.db" "SELECT count(*) FROM $t")" -gt 0 ] || fail "the server's store holds no $t"
done
# every table, schema and rows, compared outside the copy's own check
diff <(sqlite3 "$work/lab.db" .dump | sort) <(sqlite3 "$work/lab-back.db" .dump | sort) >/dev/null ||
  fail "the server's store copied there and back differs"
serve "$labpg"
curl -s "$base${link}MERIDOKA.WDL" | cmp -s - "$archive" || fail "the copy does not serve the study's archive"
login
curl -s -b "$jar" "$base/lab/" | grep -q Pilot || fail "the researcher's login was not taken by the copy"
MERIDOKA_TOKEN=$token $report push "$base/" --study "${link:3:32}" "$work/journals/pc01" > "$work/push.out" ||
  fail "the token was not taken by the copy: $(cat "$work/push.out")"
grep -q ": 0 rows kept, [0-9]* already there" "$work/push.out" || fail "pushing to the copy again: $(cat "$work/push.out")"
stop_serving
echo "  studies, rows, quarantine, researchers, tokens and audit log equal; the copy serves the study, the login and token"

echo "48-store: push twice, forget a participant"
pushed=$(newdb pushed)
$report push "$pushed" "$archive" "$work/journals" --quiet 2>/dev/null | grep -q "300 sessions added" || fail "push"
$report push "$pushed" "$work/journals" --quiet 2>/dev/null | grep -q "0 sessions added, 300 already in the store" ||
  fail "pushing again changed the store"
who=$(sed -n 2p "$work/csv-sqlite/sessions.csv" | cut -d, -f3)
$report forget "$pushed" --participant "$who" | tee "$work/forget.txt" | tail -1
grep -q "participant $who: 1 sessions and" "$work/forget.txt" || fail "forget"
[ "$(q pushed "SELECT count(*) FROM sessions WHERE participant = '$who'")" = 0 ] ||
  fail "the participant's sessions are still there"

echo "48-store: 8 writers at once, overlapping folders, longer and shorter copies"
"$simulate" -n 240 --archive "$archive" --pcs 1 --seed 7 -o "$work/full" >/dev/null
n=0
for f in "$work"/full/pc01/S*.CSV; do
  n=$((n + 1))
  rows=$(grep -c $'\r$' "$f")
  for w in 1 2 3 4 5 6 7 8; do
    # each session in three of the eight folders: two shorter copies, one whole
    case $(( (n + w) % 8 )) in
      0) mkdir -p "$work/w$w/$n"; cp "$f" "$work/w$w/$n/" ;;
      3|5) mkdir -p "$work/w$w/$n"; head -n $(( 2 + (rows - 2) * w / 9 )) "$f" > "$work/w$w/$n/$(basename "$f")" ;;
    esac
  done
done
many=$(newdb many)
$report add "$many" "$archive" --quiet >/dev/null 2>&1
pids=()
for w in 1 2 3 4 5 6 7 8; do
  $report add "$many" "$work/w$w" --quiet >"$work/w$w.out" 2>&1 & pids+=($!)
done
for p in "${pids[@]}"; do wait "$p" || fail "a writer failed: $(cat "$work"/w*.out)"; done
$report add "$work/many.db" "$archive" "$work/full" --quiet >/dev/null 2>&1
[ "$(q many "SELECT count(*) FROM sessions")" = 240 ] || fail "not every session once: $(q many "SELECT count(*) FROM sessions")"
diff <(q many "SELECT session || ' ' || journal_rows || ' ' || answered FROM sessions ORDER BY 1") \
     <(sqlite3 "$work/many.db" "SELECT session || ' ' || journal_rows || ' ' || answered FROM sessions ORDER BY 1") \
  >/dev/null || fail "the store of 8 writers does not hold the longest copy of each session"
echo "  240 sessions once each, the longest copy kept"

echo "48-store: the server stopped in the middle of an add"
"$simulate" -n 1200 --archive "$archive" --pcs 4 --seed 11 -o "$work/big" >/dev/null
cut=$(newdb cut)
$report add "$cut" "$archive" --quiet >/dev/null 2>&1
# each new session held up 10 ms in the server, so that the add is surely
# under way when the server stops, however fast the machine
q cut "CREATE FUNCTION held_up() RETURNS trigger LANGUAGE plpgsql AS \$\$ BEGIN PERFORM pg_sleep(0.01);
  RETURN NEW; END \$\$; CREATE TRIGGER held_up BEFORE INSERT ON sessions FOR EACH ROW EXECUTE FUNCTION held_up()" \
  >/dev/null
status=0
$report add "$cut" "$work/big" --quiet >"$work/cut.out" 2>&1 & adder=$!
for _ in $(seq 1 200); do
  [ "$(q cut "SELECT count(*) FROM sessions" 2>/dev/null || echo 0)" -gt 0 ] && break
  sleep 0.05
done
pg_as_owner "$PG_BIN/pg_ctl -D $PG_DIR/data -m immediate stop >/dev/null"
wait "$adder" || status=$?
[ "$status" = 1 ] || fail "add went on without its server: status $status: $(cat "$work/cut.out")"
grep -q "cannot be reached or went away" "$work/cut.out" || fail "no sentence: $(cat "$work/cut.out")"
echo "  $(tail -1 "$work/cut.out")"
pg_as_owner "$PG_BIN/pg_ctl -D $PG_DIR/data -l $PG_DIR/log -o \"-p $PG_PORT -k $PG_DIR -c listen_addresses=\" -w start >/dev/null"
q cut "DROP TRIGGER held_up ON sessions; DROP FUNCTION held_up()" >/dev/null
before=$(q cut "SELECT count(*) FROM sessions")
$report add "$cut" "$work/big" --quiet 2>/dev/null | tail -1
[ "$(q cut "SELECT count(*) FROM sessions")" = 1200 ] || fail "the second add did not complete the store"
[ "$(q cut "SELECT count(*) FROM responses")" = "$(q cut "SELECT sum(answered) FROM sessions")" ] ||
  fail "answers half-entered"
echo "  $before sessions were in when it stopped; the second add completed the store to 1200"

echo "48-store: stores that cannot be used"
refused "cannot be reached" $report csv "postgresql://postgres@/x?host=$PG_DIR&port=1" -o "$work/t"
refused "not a valid PostgreSQL connection string" $report csv "postgresql://postgres@/x?host=$PG_DIR&nonsense=1" -o "$work/t"
refused "has no such database" $report add "$(url nothere)" "$archive"
pg_sql "CREATE DATABASE other"
pg_sql "CREATE TABLE customers (name TEXT)" other
refused "is a database of another program" $report add "$(url other)" "$archive"
newer=$(newdb newer)
$report add "$newer" "$archive" --quiet >/dev/null 2>&1
pg_sql "UPDATE store_mark SET user_version = 99" newer
refused "was made by a newer meridoka-report (store version 99" $report html "$newer" -o "$work/x.html"
pg_sql "CREATE ROLE needs_password LOGIN PASSWORD 'right-one'"
out=$($report csv "postgresql://needs_password:wrong-one@/postgres?host=$PG_DIR&port=$PG_PORT" -o "$work/t" 2>&1) && fail "a wrong password was taken"
grep -q "refused the user or password" <<< "$out" || fail "no sentence for a refused password: $out"
grep -q "wrong-one" <<< "$out" && fail "the password is shown: $out"
echo "  refused: $out"
echo "48-store: all passed"
