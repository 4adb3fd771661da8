#!/usr/bin/env bash
# The Windows and DOS release zip: what it holds, its texts as Windows
# shows them, then unpacked: each sample folder's MERIDOKA.EXE takes its
# test to the end in DOSBox, and the Russian folder's MERIDOKA-X64.EXE its
# test under Wine, compared screen by screen with the headless program.
#   tests/dist/check_zip.sh ZIP DOS_BUILD_DIR   (from the repo root, after stage 10;
#   DOS_BUILD_DIR is where scripts/dist.sh built the DOS program)
set -euo pipefail
zip=$(realpath "$1") dos_build=$2
root=$PWD
version=$(scripts/version.sh)
wdl=$root/build/tools/wdl/wdl
work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check_zip: FAIL: $*" >&2; exit 1; }

top=meridoka-$version
expected=$(printf '%s\n' "$top/" "$top/FONT.TXT" "$top/LICENSE.TXT" "$top/README-RU.TXT" "$top/README.TXT"
           for lang in EN RU; do
             printf '%s\n' "$top/$lang/" "$top/$lang/MERIDOKA-X64.EXE" "$top/$lang/MERIDOKA.EXE" "$top/$lang/MERIDOKA.WDL"
           done)
got=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$got" = "$(LC_ALL=C sort <<< "$expected")" ] || fail "contents differ:"$'\n'"$(diff <(echo "$expected") <(echo "$got"))"
unzip -q "$zip" -d "$work"
dir=$work/$top

for text in README.TXT README-RU.TXT LICENSE.TXT FONT.TXT; do
  [ "$(grep -c $'\r$' "$dir/$text")" = "$(wc -l < "$dir/$text")" ] || fail "$text: not every line ends in CR LF"
  ! grep -q '@PROJECT_VERSION@' "$dir/$text" || fail "$text: version placeholder left"
done
grep -q "MERIDOKA $version" "$dir/README.TXT" || fail "README.TXT does not name version $version"
[ "$(head -c 3 "$dir/README-RU.TXT" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README-RU.TXT has no UTF-8 BOM"
iconv -f UTF-8 -t UTF-16 "$dir/README-RU.TXT" > /dev/null || fail "README-RU.TXT is not UTF-8"
grep -q 'MIT License' "$dir/LICENSE.TXT" || fail "LICENSE.TXT is not the program's licence"
grep -q 'public domain' "$dir/FONT.TXT" || fail "FONT.TXT is not the font's licence"

for lang in RU EN; do
  cmp -s "$dir/RU/MERIDOKA.EXE" "$dir/$lang/MERIDOKA.EXE" && cmp -s "$dir/RU/MERIDOKA-X64.EXE" "$dir/$lang/MERIDOKA-X64.EXE" ||
    fail "the programs in RU and $lang differ"
  "$wdl" check --strict "$dir/$lang/MERIDOKA.WDL" > /dev/null || fail "$lang/MERIDOKA.WDL does not check clean"
  "$wdl" list "$dir/$lang/MERIDOKA.WDL" | grep -q "written by wdl $version" || fail "$lang/MERIDOKA.WDL: no maker note"
done
i686-w64-mingw32-objdump -f "$dir/RU/MERIDOKA.EXE" | grep -q 'pei-i386' || fail "MERIDOKA.EXE is not an i686 Windows program"
x86_64-w64-mingw32-objdump -f "$dir/RU/MERIDOKA-X64.EXE" | grep -q 'pei-x86-64' || fail "MERIDOKA-X64.EXE is not x86-64"
echo "check_zip: contents, texts and tests as expected"

# MS-DOS: each folder's MERIDOKA.EXE with its own test, every item answered
DOS_CASES="sample-ru sample-en" DOS_SAMPLES=$dir tests/dos/e2e.sh "$dos_build"

# Windows: the x86-64 program takes the Russian sample to the end
mkdir "$work/scenarios"
cp data/ru/all-right.scn "$work/scenarios/"
python3 tests/e2e/win32/e2e.py --exe "$dir/RU/MERIDOKA-X64.EXE" --headless build/headless/meridoka-headless \
  --displays 40-49 --sample "$dir/RU/MERIDOKA.WDL" --sample-scenarios "$work/scenarios" --only sample_test
