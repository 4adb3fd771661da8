#!/usr/bin/env bash
# Builds the DOS program build-dos/MERIDOKA.EXE from the portable core and
# the DOS platform layer, plus the header tool it needs.
#   dos/build.sh [BUILD_DIR]      (default: build-dos, from the repo root)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-dos}
mkdir -p "$out/obj"

warn=(-Wall -Wextra -Werror -Wshadow -Wundef -Wcast-qual -Wmissing-declarations)
cxx=(g++ -std=c++17 -m16 -march=i386 -ffreestanding -fno-exceptions -fno-rtti -fno-pie -fno-pic -Os
     -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
     -fno-threadsafe-statics -fno-builtin -mpreferred-stack-boundary=2 -fno-ident
     -ffunction-sections -I. "-DMERIDOKA_VERSION=\"$(scripts/version.sh)\"")

# the portable core's one list, then the DOS platform layer
mapfile -t sources < <(grep -v '^#' core.sources)
sources+=(dos/*.cpp)

objects=()
for src in "${sources[@]}"; do
  obj="$out/obj/$(echo "${src%.cpp}" | tr / _).o"
  "${cxx[@]}" "${warn[@]}" -c "$src" -o "$obj"
  objects+=("$obj")
done
for src in dos/start.S dos/dos_int.S; do
  obj="$out/obj/$(basename "${src%.S}")_s.o"
  as --32 "$src" -o "$obj"
  objects+=("$obj")
done

# start.S first: the entry sits at offset 0 of the code
ld -m elf_i386 -nostdlib --no-check-sections --gc-sections -T dos/dos.ld -Map "$out/meridoka.map" -o "$out/meridoka.elf" \
   "$out/obj/start_s.o" $(printf '%s\n' "${objects[@]}" | grep -v '/start_s.o$')
objcopy -O binary "$out/meridoka.elf" "$out/meridoka.bin"

symbol() { nm "$out/meridoka.elf" | awk -v s="$1" '$3 == s { print "0x" $1 }'; }
fixup=$(( $(symbol _data_para_fixup) + 1 ))   # the immediate after the opcode byte
para=$(symbol _data_para)
top=$(symbol _stack_top)

g++ -std=c++17 -O2 "${warn[@]}" tools/mzexe/mzexe.cpp -o "$out/mzexe"
"$out/mzexe" "$out/meridoka.bin" "$out/MERIDOKA.EXE" --reloc "$fixup" --data-para "$((para))" --sp "$((top))"

code=$(( $(symbol _code_end) ))
data=$(( $(symbol _data_end) ))
bss=$(( $(symbol _bss_end) ))
image=$(stat -c %s "$out/meridoka.bin")
echo "dos: $out/MERIDOKA.EXE: load image $image bytes (code $code, initialised data $((data - 16)));" \
     "static data $((bss - 16)) bytes; heap $(( $(symbol _stack_limit) - bss )) bytes"
