#!/usr/bin/env bash
# Builds the DOS program build-dos/MERIDOKA.EXE from the portable core and
# the DOS platform layer, plus the header tool it needs.
#   dos/build.sh [BUILD_DIR] [--bench SOURCE]   (default: build-dos, from the repo root)
# --bench also links BUILD_DIR/BENCH.EXE: the same program with SOURCE's
# program_main in place of the runner's (tests/dos/commit_bench.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-dos}
bench=""
[ "${2:-}" != --bench ] || bench=${3:?--bench needs a source file}
mkdir -p "$out/obj"

warn=(-Wall -Wextra -Werror -Wshadow -Wundef -Wcast-qual -Wmissing-declarations)
# What keeps the load image within its 18 KB budget: link-time optimisation
# (the whole program compiled as one at the link, about a fifth smaller),
# -Oz, no frame pointer, no loop transformations that copy code, -mrtd
# (a called function removes its own arguments: the assembly routines say
# which convention they follow), and -malign-data=abi (tables and texts at
# their type's alignment, not padded to 32 bytes).
cxx=(g++ -std=c++17 -m16 -march=i386 -ffreestanding -fno-exceptions -fno-rtti -fno-pie -fno-pic -Oz -flto
     -fomit-frame-pointer -fno-move-loop-invariants -fno-tree-ch -fno-tree-loop-im -fno-shrink-wrap -mrtd -mregparm=3
     -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
     -fno-threadsafe-statics -fno-builtin -mpreferred-stack-boundary=2 -malign-data=abi -fno-ident
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
for src in dos/start.S dos/dos_int.S dos/break_keys.S; do
  obj="$out/obj/$(basename "${src%.S}")_s.o"
  as --32 "$src" -o "$obj"
  objects+=("$obj")
done

g++ -std=c++17 -O2 "${warn[@]}" tools/mzexe/mzexe.cpp -o "$out/mzexe"
symbol() { nm "$1" | awk -v s="$2" '$3 == s { print "0x" $1 }'; }

# link BASE EXE OBJECTS...: BASE.elf, .map and .bin, then the MZ file EXE
# (start.S first: the entry sits at offset 0 of the code)
link() {
  local base=$out/$1 exe=$out/$2
  shift 2
  "${cxx[@]}" "${warn[@]}" -no-pie -nostdlib -Wl,--no-check-sections,--gc-sections,--build-id=none \
     -T dos/dos.ld -Wl,-Map,"$base.map" -o "$base.elf" \
     "$out/obj/start_s.o" $(printf '%s\n' "$@" | grep -v '/start_s.o$')
  objcopy -O binary "$base.elf" "$base.bin"
  # the start-up code before its processor check must run on any PC
  python3 dos/check_8086.py "$base.elf" > /dev/null
  local fixup para top
  fixup=$(( $(symbol "$base.elf" _data_para_fixup) + 1 ))   # the immediate after the opcode byte
  para=$(symbol "$base.elf" _data_para)
  top=$(symbol "$base.elf" _stack_top)
  "$out/mzexe" "$base.bin" "$exe" --reloc "$fixup" --data-para "$((para))" --sp "$((top))"
}

link meridoka MERIDOKA.EXE "${objects[@]}"
elf=$out/meridoka.elf
code=$(( $(symbol "$elf" _code_end) ))
data=$(( $(symbol "$elf" _data_end) ))
bss=$(( $(symbol "$elf" _bss_end) ))
top=$(( $(symbol "$elf" _stack_top) ))
image=$(stat -c %s "$out/meridoka.bin")
stack=$(( top - $(symbol "$elf" _stack_limit) ))
echo "dos: $out/MERIDOKA.EXE: load image $image bytes (code $code, initialised data $((data - 16)));" \
     "static data $((bss - 16)) bytes; stack $stack bytes; memory needed $(( $(symbol "$elf" _data_image) + top )) bytes;" \
     "heap up to $(( 0xFFF0 - top )) bytes"

if [ -n "$bench" ]; then
  "${cxx[@]}" "${warn[@]}" -c "$bench" -o "$out/obj/bench.o"
  link bench BENCH.EXE "$out/obj/bench.o" $(printf '%s\n' "${objects[@]}" | grep -v '/runner_driver.o$')
fi
