#!/usr/bin/env bash
# The Windows build: both targets built without a C runtime and checked
# structurally, the platform unit tests under wine64, and the end-to-end
# tests of the real program under wine64 + Xvfb + xdotool.
set -euo pipefail
out=build-win32
make -s -f win32/Makefile -j2 all tests

exe64=$out/meridoka-x86_64.exe
exe32=$out/meridoka-i686.exe
fail() { echo "50-win32: $*" >&2; exit 1; }

# imports: KERNEL32, USER32 and GDI32 only, on both targets
for pair in "x86_64:$exe64" "i686:$exe32"; do
  arch=${pair%%:*} exe=${pair#*:}
  dlls=$($arch-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr a-z A-Z | sort | tr '\n' ' ')
  [ "$dlls" = "GDI32.DLL KERNEL32.DLL USER32.DLL " ] || fail "$exe imports: $dlls"
  $arch-w64-mingw32-objdump -p "$exe" | grep 'Subsystem\s*00000002' >/dev/null || fail "$exe is not a GUI program"
  # the consume step of the key channel is an atomic compare-and-exchange
  $arch-w64-mingw32-objdump -d "$out/$arch/frontend/key_channel.o" | grep 'lock cmpxchg' >/dev/null \
    || fail "$arch key channel has no atomic compare-and-exchange"
done
sections=$(i686-w64-mingw32-objdump -h "$exe32" | awk '$1 ~ /^[0-9]+$/ {print $2}' | tr '\n' ' ')
[ "$sections" = ".text .rdata .bss .idata " ] || fail "i686 sections: $sections"
file "$exe32" | grep 'PE32 executable' >/dev/null || fail "$exe32 is not PE32"
file "$exe64" | grep 'PE32+ executable' >/dev/null || fail "$exe64 is not PE32+"
size64=$(stat -c %s "$exe64") size32=$(stat -c %s "$exe32")
# each program within 24 KB
for size_exe in "$size64:$exe64" "$size32:$exe32"; do
  [ "${size_exe%%:*}" -le 24576 ] || fail "${size_exe#*:} is ${size_exe%%:*} bytes, over 24 KB (24,576)"
done
echo "50-win32: x86-64 $size64 bytes, i686 $size32 bytes, imports KERNEL32 USER32 GDI32"

# a first section placed where a combined DOS + Windows file wants it
make -s -f win32/Makefile OUT="$PWD/$out/placed" EXTRA_LDFLAGS=-Wl,--section-start=.text=0x140004000 \
  "$PWD/$out/placed/meridoka-x86_64.exe"
x86_64-w64-mingw32-objdump -h "$out/placed/meridoka-x86_64.exe" | grep '\.text .* 0000000140004000 ' >/dev/null \
  || fail "EXTRA_LDFLAGS did not move .text"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
prefix=$(mktemp -d /tmp/meridoka-win32-unit-XXXXXX)
trap 'WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
WINEPREFIX=$prefix DISPLAY= /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
WINEPREFIX=$prefix DISPLAY= timeout 300 /usr/lib/wine/wine64 "$out/win32-tests.exe" --gtest_brief=1
# the cost per answer of the session journal under Wine: FlushFileBuffers per row
WINEPREFIX=$prefix DISPLAY= timeout 120 /usr/lib/wine/wine64 "$out/journal-commit-bench.exe" | tr -d '\r'

[ -x build/headless/meridoka-headless ] || fail "build/headless/meridoka-headless missing (stage 10 builds it)"
timeout 540 python3 tests/e2e/win32/e2e.py --exe "$exe64" --headless build/headless/meridoka-headless \
  --displays 40-49 --sample build/data/ru/MERIDOKA.WDL
