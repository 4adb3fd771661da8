#!/usr/bin/env bash
# The cost per answer of the DOS build's journal (a figure, not a test):
# BENCH.EXE (dos/build.sh --bench tests/dos/commit_bench.cpp) in headless
# DOSBox, once as DOSBox reports itself (DOS 5: commit is INT 21h/68h) and
# once as DOS 3.20 (a duplicate handle closed instead). The times are the
# emulated PC's: DOSBox does the file work on the host outside them, so
# they show the program's own part of the cost, not a disk's.
#   tests/dos/commit_bench.sh [BUILD_DIR]
set -euo pipefail
out=${1:-build-dos}
work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-dos-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$out/BENCH.EXE" "$work/"
for version in "" "3 20"; do
  { [ -z "$version" ] || printf 'VER SET %s\r\n' "$version"
    printf 'BENCH > OUT.TXT\r\nEXIT\r\n'; } > "$work/RUN.BAT"
  rm -f "$work/OUT.TXT"
  HOME=$work SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 120 \
    dosbox -c "mount c $work" -c "c:" -c "RUN.BAT" > "$work/dosbox.log" 2>&1 || true
  echo "dos (DOSBox, ${version:+DOS ${version/ /.}, }$([ -n "$version" ] && echo "duplicate closed" || echo "INT 21h/68h")):" \
    "$(tr -d '\r\n' < "$work/OUT.TXT" 2>/dev/null || echo "no figure")"
done
