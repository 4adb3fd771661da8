#!/usr/bin/env bash
# Enter to the next item on DOS (a figure, not a test): the sample test taken
# whole in headless DOSBox at fixed emulated speeds, and from the program's
# own journal the time from each answer row to the next item_shown row
# (the answer's key, its rows committed, the next item drawn); then, at
# the same speed, where the drawing's time goes: tests/dos/item_bench.cpp
# draws every item of the test with its parts timed apart.
#   tests/dos/enter_to_next.sh [BUILD_DIR] [CYCLES...]   (default: 3000 7800 26000)
# 7,800 fixed cycles is about a 386DX at 33 MHz. Needs build/ (stage 10):
# the archive tool and the Russian sample test.
set -euo pipefail
out=${1:-build-dos}
shift || true
cycles=("$@")
[ ${#cycles[@]} -gt 0 ] || cycles=(3000 7800 26000)
root=$PWD
sample=$root/build/data/ru/MERIDOKA.WDL
work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-dos-next.XXXXXX")
trap '[ -n "${DOS_KEEP:-}" ] || rm -rf "$work"' EXIT

as --32 tests/dos/keyfeed.S -o "$work/keyfeed.o"
ld -m elf_i386 -nostdlib -Ttext=0x100 -e _start --oformat binary "$work/keyfeed.o" -o "$work/KEYFEED.COM"
# each key 300 ms after the one before, so that every item is drawn and
# waiting when its keys come
python3 tests/dos/answer_scenario.py build/tools/wdl/wdl "$sample" |
  awk '/^key/ { print "wait 300" } /^key|^close/ { print }' > "$work/answers.scn"
python3 tests/dos/scenario_keys.py "$work/answers.scn" "$work/KEYS.BIN"
dos/build.sh "$work/bench" --bench tests/dos/item_bench.cpp > /dev/null

for c in "${cycles[@]}"; do
  dir=$work/c$c
  mkdir -p "$dir"
  cp "$out/MERIDOKA.EXE" "$sample" "$work/KEYFEED.COM" "$work/KEYS.BIN" "$work/bench/BENCH.EXE" "$dir/"
  printf '[cpu]\ncore=normal\ncycles=fixed %d\n' "$c" > "$dir/dosbox.conf"
  printf 'KEYFEED\r\nMERIDOKA > OUT.TXT\r\nBENCH > BENCH.TXT\r\nEXIT\r\n' > "$dir/RUN.BAT"
  HOME=$work SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 300 \
    dosbox -conf "$dir/dosbox.conf" -c "mount c $dir" -c "c:" -c "RUN.BAT" > "$dir/dosbox.log" 2>&1 || true
  journal=$(ls "$dir"/S*.CSV 2>/dev/null | head -1)
  echo "dos item drawing, $c fixed cycles (mean of the items): $(tr -d '\r\n' < "$dir/BENCH.TXT" 2>/dev/null || echo "no figure")"
  if [ -z "$journal" ]; then
    echo "dos enter-to-next, $c cycles: no journal"
    continue
  fi
  python3 - "$journal" "$c" <<'PY'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1], encoding="utf-8-sig", newline="")))
gaps, answered = [], None
for r in rows:
    if r["event"] == "answer_confirmed":
        answered = int(r["ms"])
    elif r["event"] == "item_shown" and answered is not None:
        gaps.append(int(r["ms"]) - answered)
        answered = None
if not gaps:
    sys.exit(f"dos enter-to-next, {sys.argv[2]} cycles: no answer followed by an item")
gaps.sort()
print(f"dos enter-to-next, {sys.argv[2]} fixed cycles: median {statistics.median(gaps):.0f} ms,"
      f" min {gaps[0]} ms, max {gaps[-1]} ms ({len(gaps)} items)")
PY
done
