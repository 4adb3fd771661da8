#!/usr/bin/env bash
# One file for both builds: the Windows build with the DOS build in its
# MS-DOS header area (tools/execombine).
#
#   dos/combine.sh [BUILD_DIR]
#       builds the DOS program (dos/build.sh), the Windows build linked for
#       the header area the DOS image needs (win32/Makefile), and writes
#       BUILD_DIR/combined/MERIDOKA.EXE (i686) and MERIDOKA-X64.EXE (x86-64)
#   dos/combine.sh --ldflag ARCH [BUILD_DIR]
#       prints the link flag that puts ARCH's first section where the DOS
#       image in BUILD_DIR needs it
set -euo pipefail
cd "$(dirname "$0")/.."

# The headers end after the DOS image (976 + image bytes, rounded to the
# 512-byte file alignment); the first section starts at the next 4 KB.
ldflag() {
  local arch=$1 out=$2 image headers rva base
  image=$(stat -c %s "$out/meridoka.bin")
  headers=$(( (976 + image + 511) / 512 * 512 ))
  rva=$(( (headers + 4095) / 4096 * 4096 ))
  case $arch in
    i686) base=0x400000 ;;
    x86_64) base=0x140000000 ;;
    *) echo "combine: unknown architecture $arch" >&2; exit 64 ;;
  esac
  printf -- '-Wl,--section-start=.text=0x%x\n' $(( base + rva ))
}

if [ "${1:-}" = --ldflag ]; then
  ldflag "$2" "${3:-build-dos}"
  exit 0
fi

out=${1:-build-dos}
[ -e win32/Makefile ] || { echo "combine: win32/Makefile is missing" >&2; exit 1; }
dos/build.sh "$out" > /dev/null
g++ -std=c++17 -O2 -Wall -Wextra -Werror tools/execombine/execombine.cpp -o "$out/execombine"
mkdir -p "$out/combined"
for arch in i686 x86_64; do
  make -s -f win32/Makefile OUT="$PWD/$out/win32" EXTRA_LDFLAGS="$(ldflag $arch "$out")" \
    "$PWD/$out/win32/meridoka-$arch.exe"
done
"$out/execombine" "$out/win32/meridoka-i686.exe" "$out/MERIDOKA.EXE" "$out/combined/MERIDOKA.EXE"
"$out/execombine" "$out/win32/meridoka-x86_64.exe" "$out/MERIDOKA.EXE" "$out/combined/MERIDOKA-X64.EXE"
echo "combine: $out/combined/MERIDOKA.EXE ($(stat -c %s "$out/combined/MERIDOKA.EXE") bytes)"
