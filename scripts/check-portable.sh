#!/usr/bin/env bash
# Every file of the portable core must compile unchanged for the DOS build
# (g++ -m16, freestanding) and for both Windows targets.
set -euo pipefail
cd "$(dirname "$0")/.."
warn=(-Wall -Wextra -Werror -Wshadow -Wundef -Wcast-qual -Wmissing-declarations)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
version=$(scripts/version.sh)
for src in $(grep -v '^#' core.sources); do
  for cc in "g++ -m16 -march=i386 -ffreestanding -fno-exceptions -fno-rtti -fno-pie -fno-pic -Os" \
            "x86_64-w64-mingw32-g++ -ffreestanding -fno-exceptions -fno-rtti -Os" \
            "i686-w64-mingw32-g++ -ffreestanding -fno-exceptions -fno-rtti -Os"; do
    if ! $cc -std=c++17 "${warn[@]}" -I. "-DMERIDOKA_VERSION=\"$version\"" -c "$src" -o "$out/x.o"; then
      echo "portable core: $src does not compile with: $cc" >&2
      status=1
    fi
  done
done
[ $status = 0 ] && echo "portable core: all files compile for -m16 and mingw-w64 (x86-64, i686)"
exit $status
