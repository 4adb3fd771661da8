#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Each area keeps
# its list in scripts/packages/*.txt (one package a line, '#' comments).
# Idempotent; prints nothing when everything is already there.
set -euo pipefail
cd "$(dirname "$0")"
mapfile -t wanted < <(sed -e 's/#.*//' packages/*.txt | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} != 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" = 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The browser tests' driver (tests/browser): npm ci when node_modules is
# missing or older than the lock file (npm ci leaves its own copy of the
# lock in node_modules).
browser=../tests/browser
if ! command -v npm >/dev/null; then
  echo "setup: npm not found; the browser checks will be skipped"
elif [ ! -f $browser/node_modules/.package-lock.json ] ||
     [ $browser/package-lock.json -nt $browser/node_modules/.package-lock.json ]; then
  echo "setup: npm ci in tests/browser"
  (cd $browser && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
