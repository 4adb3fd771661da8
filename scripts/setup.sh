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
[ ${#missing[@]} = 0 ] && exit 0
echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
