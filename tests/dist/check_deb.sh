#!/usr/bin/env bash
# The Debian package: its fields and exact contents, and lintian without
# errors; then installed on this machine, where every program reports the
# version, the installed tools check and take the installed sample tests,
# the manual pages read cleanly, and the server's service is in place (its
# unit not enabled, its user made, its packaged configuration checked and
# served as that user); then purged (also when a check fails): no packaged
# file or configuration left, while the state folder with the store and the
# user owning it stay, named in the purge's output, and a second install
# serves the same study from them. The check then removes that folder and
# user itself, and refuses to start where a state folder exists already, so
# it never touches a lab's data.
#   tests/dist/check_deb.sh PACKAGE.deb   (from the repo root, as root or with sudo)
set -euo pipefail
deb=$(realpath "$1")
version=$(scripts/version.sh)
fail() { echo "check_deb: FAIL: $*" >&2; exit 1; }
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = meridoka ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
depends=$(field Depends)
names=$(sed 's/ ([^)]*)//g; s/, /\n/g' <<< "$depends")
for lib in libc6 libstdc++6 libsdl2-2.0-0 libpng16-16 libsqlite3-0 libpq5 libssl3 libreadstat1 libsodium23 adduser; do
  grep -Fqx "$lib" <<< "$names" || fail "Depends lacks $lib: $depends"
done

files=(usr/bin/meridoka usr/bin/meridoka-headless usr/bin/meridoka-report usr/bin/meridoka-server usr/bin/wdl
       usr/share/doc/meridoka/changelog.gz usr/share/doc/meridoka/copyright usr/share/doc/meridoka/report.md
       usr/share/doc/meridoka/server.md usr/share/doc/meridoka/wdl.md
       usr/share/man/man1/meridoka-headless.1.gz usr/share/man/man1/meridoka-report.1.gz
       usr/share/man/man1/meridoka-server.1.gz usr/share/man/man1/meridoka.1.gz usr/share/man/man1/wdl.1.gz
       usr/share/man/man5/meridoka-server.conf.5.gz
       usr/share/meridoka/en/MERIDOKA.WDL usr/share/meridoka/ru/MERIDOKA.WDL
       usr/lib/systemd/system/meridoka-server.service etc/meridoka-server/server.conf)
listing=$(dpkg-deb -c "$deb")
# the browser build's files are whatever web/build.sh makes, its page and program among them
web_files=$(awk '$1 !~ /^d/ && $6 ~ /^\.\/usr\/share\/meridoka-server\/web\// { print $6 }' <<< "$listing")
for f in index.html meridoka.js meridoka.wasm; do
  grep -qx "./usr/share/meridoka-server/web/$f" <<< "$web_files" || fail "the server's browser build lacks $f"
done
! grep -v -e '\.html$' -e '\.js$' -e '\.wasm$' -e '\.css$' <<< "$web_files" || fail "other files in the browser build"
got=$(awk '$1 !~ /^d/ && $6 !~ /^\.\/usr\/share\/meridoka-server\/web\// { sub(/^\.\//, "", $6); print $6 }' <<< "$listing" |
      LC_ALL=C sort)
[ "$got" = "$(printf '%s\n' "${files[@]}" | LC_ALL=C sort)" ] ||
  fail "contents differ:"$'\n'"$(diff <(printf '%s\n' "${files[@]}" | LC_ALL=C sort) <(echo "$got"))"
bad=$(awk '!($2 == "root/root" && ($1 == "drwxr-xr-x" || $1 == "-rw-r--r--" ||
             ($1 == "-rwxr-xr-x" && $6 ~ /^\.\/usr\/bin\//)))' <<< "$listing")
[ -z "$bad" ] || fail "owners or modes:"$'\n'"$bad"
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/meridoka-server/server.conf ] || fail "conffiles: $(dpkg-deb -I "$deb" conffiles)"
echo "check_deb: fields and contents as expected (Depends: $depends)"
# Debian's own checks: no errors (warnings are listed, and allowed)
lintian_out=$(lintian --fail-on error "$deb" 2>&1) ||
  fail "lintian found errors:"$'\n'"$lintian_out"
echo "check_deb: lintian: no errors ($(grep -c '^W:' <<< "$lintian_out" || true) warnings)"

if dpkg-query -W -f='${Status}' meridoka 2>/dev/null | grep -q "ok installed"; then
  fail "meridoka is already installed here; remove it before this check"
fi
if [ -e /var/lib/meridoka-server ] || getent passwd meridoka-server > /dev/null; then
  fail "/var/lib/meridoka-server or the user meridoka-server exists here (a lab's data?); this check would remove it"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-deb.XXXXXX")
served=""
# what the check made, the kept state folder and user too
forget() {
  [ -z "$served" ] || kill "$served" 2>/dev/null
  $SUDO dpkg --purge meridoka > /dev/null 2>&1 || true
  $SUDO rm -rf /var/lib/meridoka-server
  ! getent passwd meridoka-server > /dev/null || $SUDO deluser --system --quiet meridoka-server > /dev/null 2>&1 || true
  ! getent group meridoka-server > /dev/null || $SUDO delgroup --system --quiet meridoka-server > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap forget EXIT
$SUDO dpkg -i "$deb" > /dev/null

for program in meridoka wdl meridoka-headless meridoka-report meridoka-server; do
  [ "$(command -v $program)" = "/usr/bin/$program" ] || fail "$program is not /usr/bin/$program"
  [ "$("/usr/bin/$program" --version)" = "$program $version" ] || fail "$program --version: $("/usr/bin/$program" --version)"
  warnings=$(zcat "/usr/share/man/man1/$program.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "manual page of $program: $warnings"
done
for lang in ru en; do
  /usr/bin/wdl check --strict "/usr/share/meridoka/$lang/MERIDOKA.WDL" > /dev/null || fail "the installed $lang sample does not check clean"
done
# the installed headless program takes the installed sample: the marks and totals its scenarios expect
for scenario in data/ru/*.scn; do
  data/check_scenario.sh /usr/bin/meridoka-headless /usr/share/meridoka/ru/MERIDOKA.WDL "$scenario" \
    "$work/$(basename "$scenario" .scn)" | sed 's/^/check_deb: installed sample: /'
done
# the Linux program starts, finds no display and says so with its status
status=0
(cd "$work" && cp /usr/share/meridoka/en/MERIDOKA.WDL . && env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 /usr/bin/meridoka > /dev/null 2>&1) || status=$?
[ $status = 2 ] || fail "meridoka without a display ended with $status, not 2"

warnings=$(zcat /usr/share/man/man5/meridoka-server.conf.5.gz | groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "manual page of meridoka-server.conf: $warnings"

# The server as a service: the unit in place and sound, not enabled; its user
# made; the packaged configuration checked and served as that user
unit=/usr/lib/systemd/system/meridoka-server.service
verify=$(systemd-analyze verify "$unit" 2>&1) || fail "systemd-analyze verify: $verify"
[ -z "$(find /etc/systemd/system -name 'meridoka-server*' 2>/dev/null)" ] || fail "the service was enabled by the package"
entry=$(getent passwd meridoka-server) || fail "no user meridoka-server after installing"
IFS=: read -r _ _ uid _ _ home shell <<< "$entry"
[ "$uid" -lt 1000 ] && [ "$home" = /var/lib/meridoka-server ] && [ "$shell" = /usr/sbin/nologin ] ||
  fail "the service's user is not a system user without a shell: $entry"
[ "$(stat -c '%U:%G %a' /var/lib/meridoka-server)" = "meridoka-server:meridoka-server 750" ] ||
  fail "/var/lib/meridoka-server: $(stat -c '%U:%G %a' /var/lib/meridoka-server)"
[ "$(stat -c '%U:%G %a' /etc/meridoka-server/server.conf)" = "root:meridoka-server 640" ] ||
  fail "/etc/meridoka-server/server.conf: $(stat -c '%U:%G %a' /etc/meridoka-server/server.conf)"
as_service() { runuser -u meridoka-server -- "$@"; }
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
conf=/etc/meridoka-server/server.conf
summary=$(cd / && as_service meridoka-server check --config $conf --listen "127.0.0.1:$port") ||
  fail "check of the packaged configuration failed"
echo "check_deb: $summary"
link=$(cd / && as_service meridoka-server study add --store /var/lib/meridoka-server/results.db Installed \
       /usr/share/meridoka/en/MERIDOKA.WDL)
# setpriv runs the server itself as that user (no process between), so its id is the one to stop
serve_study() {
  (cd / && exec setpriv --reuid=meridoka-server --regid=meridoka-server --clear-groups \
     meridoka-server serve --config $conf --listen "127.0.0.1:$port") 2> "$work/serve.log" &
  served=$!
  for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/lab/login" && break; sleep 0.1; done
  code=$(curl -s -o "$work/page.html" -w '%{http_code}' "http://127.0.0.1:$port$link")
  kill "$served"; wait "$served" 2>/dev/null || true
  served=""
  [ "$code" = 200 ] && grep -qi '<html' "$work/page.html" ||
    fail "the installed server did not serve the study's page ($code, $1): $(tail -3 "$work/serve.log")"
}
serve_study "first install"
echo "check_deb: the service's user served a study's page from the packaged configuration"

$SUDO dpkg --purge meridoka > "$work/purge.out" 2>&1 || fail "purge failed: $(cat "$work/purge.out")"
for f in "${files[@]}" usr/share/meridoka usr/share/doc/meridoka usr/share/meridoka-server etc/meridoka-server; do
  [ ! -e "/$f" ] || fail "/$f is still there after purging the package"
done
[ -f /var/lib/meridoka-server/results.db ] || fail "purging removed the store in /var/lib/meridoka-server"
getent passwd meridoka-server > /dev/null || fail "purging removed the user owning the kept store"
grep -q "/var/lib/meridoka-server" "$work/purge.out" || fail "the purge did not say where the data stays: $(cat "$work/purge.out")"
# installed again: the same user and store, the study served as before
$SUDO dpkg -i "$deb" > /dev/null
[ "$(stat -c '%U:%G' /var/lib/meridoka-server/results.db)" = meridoka-server:meridoka-server ] ||
  fail "the kept store is not the service user's after installing again"
serve_study "installed again after a purge"
$SUDO dpkg --purge meridoka > /dev/null
echo "check_deb: installed, ran the installed sample and server, purged keeping the data, installed again onto it"
