#!/usr/bin/env bash
# The collecting server (tools/server) on a real SQLite store and on a
# throwaway PostgreSQL cluster (tests/store/postgres.sh): rows kept once,
# conflicts kept apart, refused rows quarantined; a study's key reads and
# writes only that study; closed studies, oversized, malformed and
# non-UTF-8 bodies, traversal on the static paths, SQL in every field,
# formulas in exported cells, markup on the researchers' pages; the
# researchers' pages only behind a login and CSRF token; bad start-ups; two
# servers on one PostgreSQL acting as one; rows of 200 participants sent
# while the server is killed and restarted, while PostgreSQL is restarted,
# and while the SQLite store's disk is full, all kept once; a session's
# first row claiming another item count than the archive's refused;
# journals of offline lab computers pushed with a researcher's token
# (twice, a cut copy then its longer one: nothing doubled; bad tokens); and
# headless Chromium taking the test from a study link, reloaded and
# resumed: one session in the store.
set -euo pipefail
cmake -S . -B build -G Ninja -DMERIDOKA_WERROR=ON >/dev/null
cmake --build build --target meridoka-server meridoka-report sample_ru >/dev/null
# the browser build, again only when a source is newer (stage 65 builds it too)
if [ ! -f build-web/meridoka.wasm ] ||
   [ -n "$(find web platform runner base archive graphics frontend core.sources -newer build-web/meridoka.wasm -print -quit)" ]; then
  web/build.sh build-web >/dev/null
fi
server=build/tools/server/meridoka-server
archive=build/data/ru/MERIDOKA.WDL

. tests/store/postgres.sh
work=$(mktemp -d /tmp/meridoka-server-XXXXXX)
chmod 755 "$work"
pids=()
mounted=""
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  pg_stop
  if [ -n "$mounted" ]; then
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done  # nothing holds the full disk open
    umount "$mounted" || umount -l "$mounted"
  fi
  [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "52-server: FAIL: $*" >&2; exit 1; }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# start STORE PORT [options]: a server in the background, answering
start() {
  local store=$1 port=$2
  shift 2
  $server serve --store "$store" --listen "127.0.0.1:$port" --web build-web "$@" 2>>"$work/server.log" &
  pids+=($!)
  for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$port/lab/login" && return 0
    sleep 0.1
  done
  fail "the server on port $port did not start: $(tail -3 "$work/server.log")"
}
# status METHOD URL [curl options]: the status code only
status() { local m=$1 u=$2; shift 2; curl -s -o /dev/null -w '%{http_code}' -X "$m" "$@" "$u"; }
want() { [ "$1" = "$2" ] || fail "$3: status $1, not $2"; }
# post BASE SESSION ROW BODY: a row as the page sends it (BODY without its
# last LF, as $(row ...) gives it); prints the status
post() {
  curl -s -o "$work/answer" -w '%{http_code}' -H 'Content-Type: text/plain;charset=UTF-8' --data-binary "$4"$'\n' \
    "$1rows?session=$2&journal=S0000001.CSV&row=$3"
}
items=$(python3 -c 'import json; print(len(json.load(open("data/ru/test.json"))["items"]))')  # the archive's
# row SESSION PARTICIPANT EVENT CRC [ITEM_TEXT [ENDED_BY [ITEMS]]]: 27 fields, CR LF
row() {
  printf '%s,%s,%s,100,2026-12-09T10:00:00,1,2,3,3,1,900,800,,%s,meridoka,1.0.0,web,77930,%s,%s,performance.now,5,%s,1,0,1,\r\n' \
    "$1" "$2" "$3" "${5:-}" "$4" "${7:-$items}" "${6:-}"
}

# checks STORE QUERY-COMMAND: every check on one store; $q runs SQL on it
checks() {
  local store=$1 q=$2 port
  port=$(free_port)
  echo "correct horse battery" | $server user add --store "$store" anna >/dev/null
  echo "short" | $server user add --store "$store" bob 2>/dev/null && fail "a short password was taken"
  echo "correct horse battery" | $server user add --store "$store" anna 2>/dev/null && fail "a researcher was added twice"
  local a b crc
  a=$($server study add --store "$store" 'Pilot <b>"x"</b>' "$archive")
  b=$($server study add --store "$store" 'Other' "$archive")
  [[ $a =~ ^/s/[0-9a-f]{32}/$ ]] || fail "link $a"
  crc=$($server study list --store "$store" | awk 'NR==1 {print $3}')
  start "$store" "$port" --rate 40
  local base="http://127.0.0.1:$port" A="http://127.0.0.1:$port$a" B="http://127.0.0.1:$port$b"

  echo "  the study's page, its settings and archive; nothing else"
  want "$(status GET "$A")" 200 "the page"
  curl -s "${A}settings.json" | grep -q '"postUrl": "rows"' || fail "settings.json does not point back"
  curl -s "${A}MERIDOKA.WDL" | cmp -s - "$archive" || fail "the study's archive differs"
  for p in '../../../etc/passwd' '%2e%2e/%2e%2e/etc/passwd' '..%2f..%2fetc%2fpasswd' '%2e%2e%2f%2e%2e%2fetc%2fpasswd' \
           '.%2e/CMakeLists.txt' '../../../../../../build-web/index.html'; do
    want "$(status GET "$A$p" --path-as-is)" 404 "static path $p"
  done
  want "$(status GET "$base/s/00000000000000000000000000000000/")" 404 "an unknown study"
  want "$(status POST "${A}rows?probe=1" -d '')" 200 "the probe"
  curl -s -D - -o /dev/null "$A?participant=P1%0d%0aSet-Cookie:%20x=1" | grep -qi '^set-cookie' &&
    fail "a header came from the participant ID"

  echo "  rows kept once; a conflict kept apart; another study's key refused"
  local s1=00000000000000a1
  want "$(post "$A" $s1 1 "$(row $s1 P1 session_start "$crc")")" 200 "a first row"
  want "$(post "$A" $s1 1 "$(row $s1 P1 session_start "$crc")")" 200 "a retry"
  want "$(post "$A" $s1 2 "$(row $s1 P1 item_shown '')")" 200 "a second row"
  want "$(post "$A" $s1 2 "$(row $s1 P1 item_shown '' other)")" 200 "a conflicting row"
  want "$(post "$A" $s1 3 "$(row $s1 P1 session_end '' '' completed)")" 200 "the last row"
  [ "$($q "SELECT count(*) FROM journal_rows WHERE session = '$s1'")" = 3 ] || fail "rows not kept once"
  [ "$($q "SELECT count(*) FROM journal_row_conflicts WHERE session = '$s1'")" = 1 ] || fail "the conflict was not kept"
  want "$(post "$B" $s1 4 "$(row $s1 P1 item_shown '')")" 403 "another study's key on a session"
  want "$(post "$B" 00000000000000b1 1 "$(row 00000000000000b1 P2 session_start 0badc0de)")" 422 "another archive"
  want "$(post "$B" 00000000000000b3 1 "$(row 00000000000000b3 P2 session_start "$crc" '' '' $((items - 1)))")" 422 \
    "the study's archive with another item count"
  grep -q "another item count" "$work/answer" || fail "the item count's refusal without its reason: $(cat "$work/answer")"
  [ "$($q "SELECT count(*) FROM quarantine WHERE reason LIKE '%another item count%'")" = 1 ] || fail "the item count's refusal was not quarantined"
  $server study close --store "$store" "${b:3:32}" >/dev/null
  want "$(post "$B" 00000000000000b2 1 "$(row 00000000000000b2 P2 session_start "$crc")")" 403 "a closed study"
  want "$(status GET "$B")" 403 "a closed study's page"
  $server study open --store "$store" "${b:3:32}" >/dev/null
  want "$(post "$B" 00000000000000b2 1 "$(row 00000000000000b2 P2 session_start "$crc")")" 200 "a study opened again"

  echo "  bad bodies refused with a reason and quarantined, the server still answering"
  local s2=00000000000000a2 big
  big=$(head -c 20000 /dev/zero | tr '\0' x)
  want "$(post "$A" $s2 1 "$(row $s2 P3 session_start "$crc" "$big")")" 413 "an oversized row"
  want "$(post "$A" $s2 1 "$(row $s2 P3 session_start "$crc" | sed 's/,1,0,1,/,1,0,/')")" 400 "26 fields"
  want "$(post "$A" $s2 1 "$(row $s2 P3 session_start "$crc" $'caf\xe9')")" 400 "not UTF-8"
  want "$(post "$A" $s2 1 "$(row $s2 P3 mystery_event '')")" 400 "an unknown event"
  want "$(post "$A" $s2 1 "$(row $s2 P3 session_start "$crc" | tr -d '\r')")" 400 "no CR LF"
  want "$(post "$A" 'x%27%3B--' 1 "$(row $s2 P3 session_start "$crc")")" 400 "a bad session parameter"
  want "$(post "$A" $s2 0 "$(row $s2 P3 session_start "$crc")")" 400 "row 0"
  want "$(post "$A" 00000000000000a3 1 "$(row 00000000000000a3 P3 session_start "$crc" '<script>alert(1)</script>')")" 200 "markup in a field"
  grep -q "fields, not 27" <(curl -s --data-binary "$(row $s2 P3 session_start "$crc" | sed 's/,1,0,1,/,1,0,/')"$'\n' \
    "${A}rows?session=$s2&row=1") || fail "a refusal without its reason"
  [ "$($q "SELECT count(*) FROM quarantine")" -ge 8 ] || fail "refused rows were not quarantined"
  [ "$($q "SELECT count(*) FROM journal_rows WHERE session = '$s2'")" = 0 ] || fail "a refused row was kept"

  echo "  SQL, quotes, CR LF and formulas stored verbatim"
  local sql="x');DROP/**/TABLE/**/studies;--" n=1 s3=00000000000000a4
  for text in "'; DROP TABLE journal_rows; --" '"a ""quoted"" line'$'\r\n''and the next, with a comma"' "Robert'); DELETE FROM researchers;--"; do
    want "$(post "$A" $s3 $n "$(row $s3 "$sql" item_shown '' "$text")")" 200 "SQL in item_text"
    n=$((n + 1))
  done
  for id in '=1+2' '+SUM(A1)' '-3+4' '@cmd' '<b>x</b>'; do
    s=$(printf '00000000000000%02x' $n)
    want "$(post "$A" "$s" 1 "$(row "$s" "$id" session_start "$crc")")" 200 "participant $id"
    n=$((n + 1))
  done
  [ "$($q "SELECT count(*) FROM studies")" = 2 ] || fail "the studies table changed"
  [ "$($q "SELECT count(*) FROM journal_rows WHERE body LIKE '%DROP TABLE journal_rows%'")" = 1 ] ||
    fail "SQL in a field was not kept verbatim"

  echo "  rate limit: 429 past the client's allowance"
  local urls=() codes
  for _ in $(seq 150); do urls+=("${A}settings.json"); done
  codes=$(curl -s --no-progress-meter -Z --parallel-max 20 -o /dev/null -w '%{http_code}\n' "${urls[@]}")
  grep -q 429 <<< "$codes" || fail "no 429 after 150 requests at once"
  sleep 3

  echo "  the researchers' pages: only with a login and its CSRF token"
  local key=${a:3:32} jar="$work/jar" t0 t1 csrf
  want "$(status GET "$base/lab/")" 401 "the studies without a login"
  want "$(status GET "$base/lab/study/$key/sessions.csv")" 401 "an export without a login"
  want "$(status GET "$base/lab/quarantine")" 401 "the quarantine without a login"
  want "$(status POST "$base/lab/study/$key/forget" -d participant=P1)" 401 "forget without a login"
  rm -f "$jar"
  csrf=$(curl -s -c "$jar" "$base/lab/login" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
  t0=$(date +%s%N)
  want "$(status POST "$base/lab/login" -b "$jar" --data-urlencode name=anna --data-urlencode password=wrong -d "csrf=$csrf")" 403 "a wrong password"
  t1=$(date +%s%N)
  [ $(( (t1 - t0) / 1000000 )) -ge 900 ] || fail "a wrong password was answered at once"
  want "$(status POST "$base/lab/login" -b "$jar" --data-urlencode name=anna --data-urlencode 'password=correct horse battery')" 403 "a login without its form token"
  curl -s -D "$work/headers" -o /dev/null -b "$jar" -c "$jar" "$base/lab/login" \
    --data-urlencode name=anna --data-urlencode 'password=correct horse battery' -d "csrf=$csrf"
  grep -qi '^set-cookie: meridoka_login=[0-9a-f]*;.*HttpOnly; SameSite=Strict' "$work/headers" || fail "the login cookie: $(cat "$work/headers")"
  curl -s -b "$jar" "$base/lab/" > "$work/studies.html"
  grep -q 'Pilot &lt;b&gt;&quot;x&quot;&lt;/b&gt;' "$work/studies.html" || fail "the study's name is not escaped"
  csrf=$(sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p' "$work/studies.html" | head -1)
  want "$(status POST "$base/lab/studies" -b "$jar" -F "csrf=$csrf" -F "name=From the page" -F "archive=@$archive")" 303 "a study added from the page"
  want "$(status POST "$base/lab/studies" -b "$jar" -F "name=No token" -F "archive=@$archive")" 403 "a study added without the CSRF token"
  [ "$($q "SELECT count(*) FROM studies")" = 3 ] || fail "the study added from the page is not in the store"
  curl -s -b "$jar" "$base/lab/study/$key" > "$work/study.html"
  grep -q '&lt;b&gt;x&lt;/b&gt;' "$work/study.html" && ! grep -q '<b>x</b>' "$work/study.html" || fail "a participant's markup is not escaped"
  curl -s -b "$jar" "$base/lab/quarantine" > "$work/quarantine.html"
  grep -q 'fields, not 27' "$work/quarantine.html" || fail "the quarantine does not list the refused rows"
  ! grep -q '<script>' "$work/quarantine.html" || fail "markup on the quarantine page"
  curl -s -b "$jar" "$base/lab/study/$key/sessions.csv" > "$work/sessions.csv"
  for id in "'=1+2" "'+SUM(A1)" "'-3+4" "'@cmd"; do
    grep -qF ",$id," "$work/sessions.csv" || fail "participant $id not neutralised in sessions.csv"
  done
  curl -s -b "$jar" "$base/lab/study/$key/rows.csv" > "$work/rows.csv"
  grep -qF "'; DROP TABLE journal_rows; --" "$work/rows.csv" || fail "rows.csv lacks a stored field"
  grep -q "^[0-9]*,[0-9a-f]*,=" "$work/rows.csv" && fail "a formula in rows.csv"
  want "$(status POST "$base/lab/study/$key/forget" -b "$jar" -d participant=P1)" 403 "forget without the CSRF token"
  want "$(status POST "$base/lab/study/$key/forget" -b "$jar" -d participant=P1 -d csrf=0123)" 403 "forget with a wrong CSRF token"
  want "$(status POST "$base/lab/study/$key/forget" -b "$jar" -d participant=P1 -d "csrf=$csrf")" 200 "forget"
  [ "$($q "SELECT count(*) FROM journal_rows WHERE session = '$s1'")" = 0 ] || fail "a forgotten participant's rows stayed"
  curl -s -b "$jar" "$base/lab/audit" > "$work/audit.html"
  grep -q "forget participant" "$work/audit.html" && grep -q "download" "$work/audit.html" || fail "the audit log misses entries"

  echo "  Chromium: the test from the study link, reloaded and resumed: one session"
  node tools/server/tests/browser.mjs "$A" data/ru/mixed.scn 12 "$work/journal.csv" ||
    fail "the browser's run ($(tail -3 "$work/server.log"))"
  local sessions rows_kept highest before
  sessions=$($q "SELECT count(*) FROM study_sessions WHERE participant = 'P017'")
  [ "$sessions" = 1 ] || fail "$sessions sessions in the store after a reload and resume"
  rows_kept=$($q "SELECT count(*) FROM journal_rows j JOIN study_sessions s ON s.session = j.session WHERE s.participant = 'P017'")
  highest=$($q "SELECT max(row_number) FROM journal_rows j JOIN study_sessions s ON s.session = j.session WHERE s.participant = 'P017'")
  [ "$rows_kept" = "$highest" ] || fail "rows 1 to $highest with gaps or doubles: $rows_kept kept"
  before=$(( $(grep -c $'\r$' "$work/journal.csv") - 1 ))
  # beyond the rows written before the reload: the interruption, the resume, the rest
  [ "$rows_kept" -gt $((before + 2)) ] || fail "$rows_kept rows kept, $before written before the reload"
  [ "$($q "SELECT ended_by FROM study_sessions WHERE participant = 'P017'")" = completed ] || fail "the session did not end completed"
  echo "    $rows_kept rows of one session ($before before the reload)"
  # the researcher's report: the rows read as the session's journal by add
  local rc=0
  build/tools/report/meridoka-report add "$store" --quiet >/dev/null 2>"$work/add.err" || rc=$?
  [ $rc = 0 ] || [ $rc = 2 ] || fail "add of the collected rows: $(tail -3 "$work/add.err")"
  build/tools/report/meridoka-report csv "$store" -o "$work/tables" >/dev/null
  grep -q ',P017,.*,completed,' "$work/tables/sessions.csv" ||
    fail "the report's sessions.csv lacks P017's completed session: $(grep P017 "$work/tables/sessions.csv")"
  echo "    and the report's sessions.csv has it, completed"

  echo "  the study's scored report: only with a login, audited, as meridoka-report html makes it"
  want "$(status GET "$base/lab/study/$key/report.html")" 401 "the report without a login"
  want "$(status GET "$base/lab/study/$key/report/sessions.csv")" 401 "a report table without a login"
  want "$(status GET "${A}report.html")" 404 "the report through the participants' link"
  want "$(status GET "$base/lab/study/$key/report/passwd.csv" -b "$jar")" 404 "a table the report has not"
  curl -s -b "$jar" "$base/lab/study/$key/report.html" > "$work/study-report.html"
  curl -s -b "$jar" "$base/lab/study/$key/report/sessions.csv" > "$work/study-sessions.csv"
  curl -s -b "$jar" "$base/lab/study/${b:3:32}/report/sessions.csv" > "$work/other-sessions.csv"
  grep -q ',P017,.*,completed,' "$work/study-sessions.csv" || fail "the study's report table lacks P017's session"
  ! grep -q ',P017,' "$work/other-sessions.csv" || fail "another study's report shows this study's session"
  for id in "'=1+2" "'+SUM(A1)" "'-3+4" "'@cmd"; do
    grep -qF ",$id," "$work/study-sessions.csv" || fail "participant $id not neutralised in the report's sessions.csv"
  done
  grep -q '&lt;b&gt;x&lt;/b&gt;' "$work/study-report.html" && ! grep -q '<b>x</b>' "$work/study-report.html" ||
    fail "a participant's markup is not escaped in the report"
  curl -s -b "$jar" "$base/lab/audit" | grep -q "$key report/report.html" || fail "the report's download is not audited"
  # the same store's sessions of this study alone, through meridoka-report html
  local ids
  ids=$($q "SELECT session FROM study_sessions WHERE study_key = '$key'" | sed "s/.*/'&'/" | paste -sd,)
  rm -f "$work/alone.db"
  build/tools/report/meridoka-report copy "$store" "$work/alone.db" >/dev/null
  sqlite3 "$work/alone.db" "DELETE FROM responses WHERE session_ref IN (SELECT id FROM sessions WHERE session NOT IN ($ids));
                            DELETE FROM sessions WHERE session NOT IN ($ids)"
  build/tools/report/meridoka-report html "$work/alone.db" -o "$work/alone.html" >/dev/null
  local lead='s/ from .*, made [^.]*\. Sessions of different/ from S, made T. Sessions of different/'
  cmp -s <(sed "$lead" "$work/study-report.html") <(sed "$lead" "$work/alone.html") ||
    fail "the study's report differs from meridoka-report html's: $(diff <(sed "$lead" "$work/study-report.html") \
          <(sed "$lead" "$work/alone.html") | head -5)"
  grep -q "sessions of 1 test from study .*Pilot" "$work/study-report.html" || fail "the report's lead names no study"
  echo "    $(grep -c ',' "$work/study-sessions.csv") lines in its sessions.csv; the page equals meridoka-report html's"
  rm -f "$jar"
}

echo "52-server: SQLite"
sq() { sqlite3 -cmd ".timeout 5000" "$work/results.db" "$1"; }
checks "$work/results.db" sq

echo "52-server: journals of offline lab computers pushed with a researcher's token"
report=build/tools/report/meridoka-report
token=$($server token add --store "$work/results.db" anna 2>/dev/null)
[[ $token =~ ^[0-9a-f]{64}$ ]] || fail "token add printed '$token'"
$server token add --store "$work/results.db" nobody 2>/dev/null && fail "a token was made for no researcher"
[ "$(sq "SELECT count(*) FROM push_tokens WHERE token_sha256 = '$token'")" = 0 ] || fail "the token itself is kept"
plink=$($server study add --store "$work/results.db" Pushed "$archive")
pkey=${plink:3:32}
pcrc=$($server study list --store "$work/results.db" | awk -v l="$plink" '$1 == l {print $3}')
python3 tools/server/tests/lab_journals.py "$work/lab" 3 6 "$pcrc" "$items" data/ru/test.json
pport=$(free_port)
start "$work/results.db" "$pport"
pbase="http://127.0.0.1:$pport/"
prows() { sq "SELECT count(*) FROM journal_rows r JOIN study_sessions s ON s.session = r.session WHERE s.study_key = '$pkey'"; }
MERIDOKA_TOKEN=$token $report push "$pbase" --study "$pkey" "$work/lab/cut" > "$work/push0.out" ||
  fail "push of a cut journal: $(cat "$work/push0.out")"
grep -q "3 rows kept" "$work/push0.out" || fail "the cut journal's whole rows were not kept: $(cat "$work/push0.out")"
echo "  a journal cut by a power cut: its 3 whole rows kept"
MERIDOKA_TOKEN=$token $report push "$pbase" --study "$pkey" "$work/lab/S0000001.CSV" "$work/lab/S0000002.CSV" \
  "$work/lab/S0000003.CSV" > "$work/push1.out" || fail "first push: $(cat "$work/push1.out")"
grep -q "15 rows kept, 3 already there" "$work/push1.out" || fail "first push: $(cat "$work/push1.out")"
[ "$(grep -c '^.*S000000[123].CSV: ' "$work/push1.out")" = 3 ] || fail "no line a file: $(cat "$work/push1.out")"
[ "$(prows)" = 18 ] || fail "$(prows) rows in the store after the first push, not 18"
echo "  its longer copy and two more: 15 rows added, the 3 sent before not doubled"
printf '%s\n' "$token" > "$work/token"
$report push "$pbase" --study "$pkey" --token-file "$work/token" "$work/lab" > "$work/push2.out" ||
  fail "second push: $(cat "$work/push2.out")"
grep -q "sent 4 journals .*: 0 rows kept, 21 already there" "$work/push2.out" || fail "second push: $(cat "$work/push2.out")"
[ "$(prows)" = 18 ] || fail "$(prows) rows in the store after pushing the folder again, not 18"
echo "  the folder pushed again: nothing doubled"
grep -q "R001/RESULT-W.TXT: kept$" "$work/push2.out" && grep -q "; 1 result files (1 new);" "$work/push2.out" ||
  fail "the folder's result file was not sent: $(cat "$work/push2.out")"
MERIDOKA_TOKEN=$token $report push "$pbase" --study "$pkey" "$work/lab" > "$work/push2b.out" ||
  fail "third push: $(cat "$work/push2b.out")"
grep -q "R001/RESULT-W.TXT: already there$" "$work/push2b.out" && [ "$(sq "SELECT count(*) FROM pushed_results")" = 1 ] ||
  fail "a result file pushed twice: $(cat "$work/push2b.out")"
echo "  its result file kept once, pushed twice"
# over TLS: an endpoint on loopback with a certificate made here, trusted with --ca-file
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
  -keyout "$work/tls.key" -out "$work/tls.crt" 2>/dev/null
python3 tools/server/tests/tls_proxy.py "$work/tls.crt" "$work/tls.key" "$pport" > "$work/tls.port" &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/tls.port" ] && break; sleep 0.1; done
tbase="https://127.0.0.1:$(cat "$work/tls.port")/"
MERIDOKA_TOKEN=$token $report push "$tbase" --study "$pkey" --ca-file "$work/tls.crt" "$work/lab" > "$work/tls.out" ||
  fail "push over TLS: $(cat "$work/tls.out")"
grep -q "sent 4 journals .*: 0 rows kept, 21 already there.*; 1 result files (0 new);" "$work/tls.out" ||
  fail "push over TLS: $(cat "$work/tls.out")"
status=0
MERIDOKA_TOKEN=$token $report push "$tbase" --study "$pkey" "$work/lab" > /dev/null 2> "$work/tls.err" || status=$?
[ $status = 1 ] && grep -q "cannot be trusted: its certificate does not verify" "$work/tls.err" ||
  fail "a certificate that does not verify: status $status, $(cat "$work/tls.err")"
kill "${pids[-1]}"
echo "  over TLS with the lab's certificate (--ca-file); without it: refused with a sentence, exit 1"
lab_sessions() { sq "SELECT count(*) FROM sessions WHERE participant IN ('L001', 'L002', 'L003', 'R001')"; }
# (exit status 2: rows the checks above left with gaps or damage are skipped again)
adds() { local rc=0; $report add "$work/results.db" "$@" || rc=$?; [ $rc = 0 ] || [ $rc = 2 ]; }
adds > "$work/add1.out" 2>&1 || fail "add of what was pushed: $(cat "$work/add1.out")"
[ "$(lab_sessions)" = 4 ] || fail "$(lab_sessions) sessions from 3 journals and a result file pushed: $(cat "$work/add1.out")"
[ "$(sq "SELECT source || ' ' || ended_by || ' ' || marks FROM sessions WHERE participant = 'R001'")" = "result_file stopped +-++-" ] ||
  fail "the pushed result file's session: $(sq "SELECT * FROM sessions WHERE participant = 'R001'")"
adds "$work/lab" > "$work/add2.out" 2>&1 || fail "add of the lab's files: $(cat "$work/add2.out")"
grep -q "^5 files: 0 sessions added, 5 already in the store" "$work/add2.out" && [ "$(lab_sessions)" = 4 ] ||
  fail "the same files added after their push: $(lab_sessions) sessions; $(cat "$work/add2.out")"
echo "  add takes them in (3 journals, 1 result file), and adding the same files from the folder doubles nothing"
mkdir "$work/other"
python3 -c 'import sys; b=open(sys.argv[1],"rb").read(); open(sys.argv[2],"wb").write(b.replace(b",item_shown,600,",b",item_shown,650,"))' \
  "$work/lab/S0000002.CSV" "$work/other/S0000002.CSV"
MERIDOKA_TOKEN=$token $report push "$pbase" --study "$pkey" "$work/other" > "$work/push4.out" ||
  fail "push of a differing copy: $(cat "$work/push4.out")"
grep -q "0 rows kept, 5 already there, 1 kept apart" "$work/push4.out" || fail "a differing copy: $(cat "$work/push4.out")"
[ "$(sq "SELECT count(*) FROM journal_row_conflicts WHERE session = '00000000ab000002' AND row_number = 6")" = 1 ] &&
  [ "$(prows)" = 18 ] || fail "the differing row is not kept apart as a conflict"
echo "  a copy with one row differing: that row kept apart, the others already there"
status=0
MERIDOKA_TOKEN=0000$token $report push "$pbase" --study "$pkey" "$work/lab" > /dev/null 2> "$work/push3.err" || status=$?
[ $status = 1 ] && grep -q "refused (401)" "$work/push3.err" || fail "a bad token: status $status, $(cat "$work/push3.err")"
want "$(status POST "${pbase}push/$pkey/rows" --data-binary @"$work/lab/S0000001.CSV")" 401 "a push without a token"
want "$(status POST "${pbase}push/$pkey/rows?token=$token" --data-binary @"$work/lab/S0000001.CSV")" 400 "a token in the address"
want "$(status POST "${pbase}push/00000000000000000000000000000000/rows" -H "Authorization: Bearer $token" \
        --data-binary @"$work/lab/S0000001.CSV")" 404 "a push to no study"
status=0
MERIDOKA_TOKEN=$token $report push "${pbase}?token=$token" --study "$pkey" "$work/lab" > /dev/null 2>&1 || status=$?
[ $status = 1 ] || fail "a token in the address given to push: status $status"
echo "  a bad token (401), none, one in the address (refused by both sides), an unknown study (404)"
tid=$(printf %s "$token" | sha256sum | cut -c1-12)
later=$($server token add --store "$work/results.db" anna --days 30 2>"$work/token.err")
grep -q "valid until 20" "$work/token.err" || fail "token add --days: $(cat "$work/token.err")"
$server token list --store "$work/results.db" > "$work/tokens.out"
grep -q "^$tid  anna  made 20.*  last used 20.*  no expiry$" "$work/tokens.out" &&
  grep -q "  last used never  expires 20" "$work/tokens.out" || fail "token list: $(cat "$work/tokens.out")"
! grep -q -e "$token" -e "$later" "$work/tokens.out" || fail "token list shows a token itself"
[ "$($server token revoke --store "$work/results.db" "$tid")" = "token $tid revoked" ] || fail "token revoke"
[ "$(sq "SELECT count(*) FROM audit_log WHERE action = 'revoke push token' AND detail LIKE '$tid%'")" = 1 ] ||
  fail "the revocation is not in the audit log"
status=0
MERIDOKA_TOKEN=$token $report push "$pbase" --study "$pkey" "$work/lab" > /dev/null 2> "$work/push5.err" || status=$?
[ $status = 1 ] && grep -q "refused (401): the token $tid was revoked on 20" "$work/push5.err" ||
  fail "a revoked token: status $status, $(cat "$work/push5.err")"
sq "UPDATE push_tokens SET expires = 1000 WHERE researcher = 'anna' AND revoked IS NULL"
status=0
MERIDOKA_TOKEN=$later $report push "$pbase" --study "$pkey" "$work/lab" > /dev/null 2> "$work/push6.err" || status=$?
[ $status = 1 ] && grep -q "refused (401): the token [0-9a-f]* expired on 1970-01-01" "$work/push6.err" ||
  fail "an expired token: status $status, $(cat "$work/push6.err")"
$server token revoke --store "$work/results.db" 000000000000 2>/dev/null && fail "an unknown token id was revoked"
echo "  tokens listed without themselves; a revoked and an expired one refused (401) with a sentence"

# fault_store STORE PORT: a study with its server, for simulated participants; sets $flink, $fcrc
fault_store() {
  flink=$($server study add --store "$1" Fault "$archive")
  fcrc=$($server study list --store "$1" | awk 'NR==1 {print $3}')
  start "$1" "$2" --rate 1000
}
# senders P ROWS PAUSE: participants sending in the background ($sender)
senders() {
  python3 tools/server/tests/participants.py "http://127.0.0.1:$fport$flink" "$fcrc" "$items" "$@" 120 > "$work/fault.out" &
  sender=$!
}
# every_row_once P ROWS QUERY-COMMAND: every row acknowledged, each kept once, none a conflict
every_row_once() {
  local n=$(($1 * $2)) q=$3
  wait "$sender" || true
  cat "$work/fault.out"
  grep -q "^$n rows acknowledged" "$work/fault.out" || fail "not every row was acknowledged"
  [ "$($q "SELECT count(*) FROM journal_rows")" = $n ] || fail "rows lost or doubled: $($q "SELECT count(*) FROM journal_rows") kept, $n sent"
  [ "$($q "SELECT count(*) FROM journal_row_conflicts")" = 0 ] || fail "a retried row became a conflict"
  [ "$($q "SELECT count(*) FROM study_sessions WHERE rows_kept = $2 AND ended_by = 'completed'")" = "$1" ] ||
    fail "the sessions' counts disagree with their rows"
}

echo "52-server: 200 participants' rows while the server is killed (SIGKILL) and started again, twice"
fport=$(free_port)
fstore="$work/fault.db"
fault_store "$fstore" "$fport"
senders 200 15 0.3
for round in 1 2; do
  sleep 1.5
  kill -9 "${pids[-1]}"
  wait "${pids[-1]}" 2>/dev/null || true
  sleep 0.5
  start "$fstore" "$fport" --rate 1000
done
fq() { sqlite3 -cmd ".timeout 5000" "$fstore" "$1"; }
every_row_once 200 15 fq
kill "${pids[-1]}"

echo "52-server: the SQLite store's disk full: 503s, the rows kept retried, and taken once there is room"
small="$work/small"
mkdir "$small"
if mount -t tmpfs -o size=16m meridoka-full "$small" 2>/dev/null; then
  mounted=$small
  fport=$(free_port)
  fstore="$small/full.db"
  fault_store "$fstore" "$fport"
  dd if=/dev/zero of="$small/filler" bs=16k 2>/dev/null || true
  senders 100 10 0.1
  # until a write has failed on the full disk (a fixed wait was too short
  # when a loaded machine started the participants late), at most a minute
  for _ in $(seq 600); do
    grep -q "the disk is full" "$work/server.log" && break
    kill -0 "$sender" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "the disk is full" "$work/server.log" || fail "no write failed on the full disk"
  rm "$small/filler"
  every_row_once 100 10 fq
  grep -q "rows acknowledged.* 503" "$work/fault.out" || fail "the full disk was not answered with 503"
  kill "${pids[-1]}"
else
  echo "  skipped: a small tmpfs cannot be mounted here (not root?)"
fi

echo "52-server: PostgreSQL (a throwaway cluster)"
pg_start "$work/pg"
pg_sql "CREATE DATABASE collected"
pg=${PG_URL_TEMPLATE/\{db\}/collected}
pgq() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d collected -c "$1"; }
checks "$pg" pgq

echo "52-server: 200 participants' rows while PostgreSQL is stopped as by a crash and started again"
pg_sql "CREATE DATABASE faults"
fport=$(free_port)
fstore=${PG_URL_TEMPLATE/\{db\}/faults}
fault_store "$fstore" "$fport"
senders 200 15 0.3
sleep 1.5
pg_restart 1
fpq() { "$PG_BIN/psql" -X -At -h "$PG_DIR" -p "$PG_PORT" -U postgres -d faults -c "$1"; }
every_row_once 200 15 fpq
grep -q "rows acknowledged.* 503" "$work/fault.out" || fail "the restart was not answered with 503"
kill "${pids[-1]}"

echo "52-server: two servers on one PostgreSQL store act as one"
p1=$(free_port); p2=$(free_port)
start "$pg" "$p1"
start "$pg" "$p2"
link=$($server study list --store "$pg" | awk 'NR==1 {print $1}')
crc=$($server study list --store "$pg" | awk 'NR==1 {print $3}')
for n in 1 2 3 4; do
  port=$([ $((n % 2)) = 1 ] && echo "$p1" || echo "$p2")
  want "$(post "http://127.0.0.1:$port$link" 00000000000000c1 $n "$(row 00000000000000c1 P9 item_shown '')")" 200 "row $n by port $port"
  want "$(post "http://127.0.0.1:$((p1 + p2 - port))$link" 00000000000000c1 $n "$(row 00000000000000c1 P9 item_shown '')")" 200 "row $n again by the other"
done
[ "$(pgq "SELECT rows_kept FROM study_sessions WHERE session = '00000000000000c1'")" = 4 ] || fail "two servers doubled or lost rows"
jar="$work/jar2"
csrf=$(curl -s -c "$jar" "http://127.0.0.1:$p1/lab/login" | sed -n 's/.*name="csrf" value="\([0-9a-f]*\)".*/\1/p')
curl -s -o /dev/null -b "$jar" -c "$jar" "http://127.0.0.1:$p1/lab/login" --data-urlencode name=anna \
  --data-urlencode 'password=correct horse battery' -d "csrf=$csrf"
want "$(status GET "http://127.0.0.1:$p2/lab/" -b "$jar")" 200 "a login made on one server, on the other"

echo "52-server: bad start-ups: a sentence and exit status 1"
refused() {
  local want=$1 out code=0
  shift
  out=$(timeout 20 "$@" 2>&1) || code=$?
  [ "$code" = 1 ] || fail "status $code, not 1, for: $*"
  grep -Fq -- "$want" <<< "$out" || fail "no '$want' in: $out"
  echo "  refused: $out"
}
refused "cannot listen on 127.0.0.1:$p1" $server serve --store "$work/results.db" --listen "127.0.0.1:$p1" --web build-web
refused "cannot open" $server serve --store "$work/no/such/folder/r.db" --listen 127.0.0.1:1 --web build-web
refused "cannot read the archive" $server study add --store "$work/results.db" Missing "$work/MERIDOKA.WDL"
refused "not a MERIDOKA.WDL archive" $server study add --store "$work/results.db" Wrong tests/stages/52-server.sh
refused "no browser build" $server serve --store "$work/results.db" --listen 127.0.0.1:1 --web "$work"
. tools/server/tests/check_config.sh
echo "52-server: ok"
