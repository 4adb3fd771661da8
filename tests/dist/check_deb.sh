#!/usr/bin/env bash
# The Debian package: its fields and exact contents; then installed on this
# machine, where every program reports the version, the installed tools
# check and take the installed sample tests and the manual pages read
# cleanly; then purged, leaving nothing behind (also when a check fails).
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
for lib in libc6 libstdc++6 libsdl2-2.0-0 libpng16-16 libsqlite3-0 libpq5 libssl3 libreadstat1; do
  grep -Fqx "$lib" <<< "$names" || fail "Depends lacks $lib: $depends"
done

files=(usr/bin/meridoka usr/bin/meridoka-headless usr/bin/meridoka-report usr/bin/wdl
       usr/share/doc/meridoka/copyright usr/share/doc/meridoka/report.md usr/share/doc/meridoka/wdl.md
       usr/share/man/man1/meridoka-headless.1.gz usr/share/man/man1/meridoka-report.1.gz
       usr/share/man/man1/meridoka.1.gz usr/share/man/man1/wdl.1.gz
       usr/share/meridoka/en/MERIDOKA.WDL usr/share/meridoka/ru/MERIDOKA.WDL)
listing=$(dpkg-deb -c "$deb")
got=$(awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' <<< "$listing" | LC_ALL=C sort)
[ "$got" = "$(printf '%s\n' "${files[@]}" | LC_ALL=C sort)" ] ||
  fail "contents differ:"$'\n'"$(diff <(printf '%s\n' "${files[@]}" | LC_ALL=C sort) <(echo "$got"))"
bad=$(awk '!($2 == "root/root" && ($1 == "drwxr-xr-x" || $1 == "-rw-r--r--" ||
             ($1 == "-rwxr-xr-x" && $6 ~ /^\.\/usr\/bin\//)))' <<< "$listing")
[ -z "$bad" ] || fail "owners or modes:"$'\n'"$bad"
echo "check_deb: fields and contents as expected (Depends: $depends)"

if dpkg-query -W -f='${Status}' meridoka 2>/dev/null | grep -q "ok installed"; then
  fail "meridoka is already installed here; remove it before this check"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-deb.XXXXXX")
trap '$SUDO dpkg --purge meridoka > /dev/null 2>&1 || true; rm -rf "$work"' EXIT
$SUDO dpkg -i "$deb" > /dev/null

for program in meridoka wdl meridoka-headless meridoka-report; do
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

$SUDO dpkg --purge meridoka > /dev/null
for f in "${files[@]}" usr/share/meridoka usr/share/doc/meridoka; do
  [ ! -e "/$f" ] || fail "/$f is still there after purging the package"
done
echo "check_deb: installed, ran the installed sample, purged cleanly"
