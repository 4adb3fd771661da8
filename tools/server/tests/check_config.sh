# Sourced by tests/stages/52-server.sh after its bad start-ups (it gives
# $server, $work, $p1, a port a running server holds, fail, free_port and
# refused): `check` and `serve --config` on a configuration file; every
# problem of a bad one named in a sentence of its own.
echo "52-server: check and the configuration file"
conf=$work/server.conf
cport=$(free_port)
cat > "$conf" <<CONF
# a lab's server
store = $work/results.db
web   = build-web
listen = 127.0.0.1:$cport
max-body = 16384
CONF
out=$($server check --config "$conf" 2>&1) || fail "check of a sound configuration: $out"
grep -q "^meridoka-server check: ready to serve: store $work/results.db (4 studies" <<< "$out" || fail "check's summary: $out"
echo "  sound: $out"
out=$($server check --config "$conf" --store "$work/fresh.db" 2>&1) || fail "check of a store still to make: $out"
grep -q "made at the first start" <<< "$out" || fail "a store to make: $out"
[ ! -e "$work/fresh.db" ] || fail "check made the store"

# the command line outranks the file: the port a running server holds
refused "cannot listen on 127.0.0.1:$p1: the port is in use" $server check --config "$conf" --listen "127.0.0.1:$p1"

# serve takes the file: it answers on the file's port
$server serve --config "$conf" 2>>"$work/server.log" &
pids+=($!)
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$cport/lab/login" && break; sleep 0.1; done
[ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$cport/lab/login")" = 200 ] || fail "serve --config did not answer"
kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true

# a store of a newer version
cp "$work/results.db" "$work/newer.db"
sqlite3 "$work/newer.db" "PRAGMA user_version = 99"
# everything wrong at once: each problem a sentence of its own
cat > "$conf" <<CONF
store = $work/newer.db
web = $work
listen = 0.0.0.0:$p1
trust-proxy = yes
colour = blue
rate = fast
rate = 5
just some words
CONF
code=0
out=$($server check --config "$conf" 2>&1) || code=$?
[ $code = 1 ] || fail "check of a bad configuration: status $code"
for want in "$conf:5: unknown key \"colour\"" "$conf:6: rate = fast: wants a whole number" "$conf:7: rate is set a second time" \
            "$conf:8: \"just some words\" is not a key = value line" "newer.db was made by a newer" \
            "cannot listen on 0.0.0.0:$p1: the port is in use" "holds no browser build" \
            "trust-proxy is on but the server listens on 0.0.0.0" "8 problems"; do
  grep -Fq -- "$want" <<< "$out" || fail "check did not say '$want': $out"
done
echo "$out" | sed 's/^/  /'
refused "unknown key \"colour\"" $server serve --config "$conf"
refused "cannot be read" $server check --config "$work/no-such.conf" --store "$work/results.db" --web build-web
refused "no store is given" $server check --web build-web
refused "secure-cookies says a TLS proxy is in front" $server check --store "$work/results.db" --web build-web \
  --listen "127.0.0.1:$cport" --secure-cookies
