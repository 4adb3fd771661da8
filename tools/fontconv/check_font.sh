#!/usr/bin/env bash
# Tests of fontconv against the committed font.
#   check_font.sh FONTCONV SOURCE_DIR WORK_DIR table|reproduce|reject
set -euo pipefail
fontconv=$1 src=$2 work=$3 what=$4
mkdir -p "$work"
font=$src/data/font/cp866-8x8.txt
case $what in
table)
  "$fontconv" bin "$font" -o "$work/font.bin"
  [ "$(stat -c %s "$work/font.bin")" = 2048 ] || { echo "font table is not 2048 bytes"; exit 1; }
  # full block 0xDB: eight 0xFF rows; space 0x20: eight zero rows
  [ "$(od -An -tx1 -j $((0xDB * 8)) -N8 "$work/font.bin" | tr -d ' ')" = ffffffffffffffff ]
  [ "$(od -An -tx1 -j $((0x20 * 8)) -N8 "$work/font.bin" | tr -d ' ')" = 0000000000000000 ]
  # every code other than NUL and the blanks has ink
  blank=$(od -An -v -tx1 -w8 "$work/font.bin" | awk '$0 == " 00 00 00 00 00 00 00 00" {print NR - 1}' | tr '\n' ' ')
  [ "$blank" = "0 32 255 " ] || { echo "unexpected blank glyphs: $blank"; exit 1; }
  ;;
reproduce)
  psf=/usr/share/consolefonts/FullCyrSlav-VGA8.psf.gz
  [ -f "$psf" ] || { echo "console font not installed"; exit 77; }
  "$fontconv" psf "$psf" --extra "$src/data/font/handdrawn.txt" -o "$work/cp866-8x8.txt" 2>/dev/null
  cmp "$work/cp866-8x8.txt" "$font"
  ;;
reject)
  # a row of seven characters, a duplicate and an incomplete set must fail
  printf '@41\n........\n.......\n........\n........\n........\n........\n........\n........\n' > "$work/bad.txt"
  ! "$fontconv" bin "$work/bad.txt" -o "$work/bad.bin" 2>/dev/null
  head -n 18 "$font" | tail -n 9 > "$work/one.txt"
  cat "$work/one.txt" "$work/one.txt" > "$work/dup.txt"
  ! "$fontconv" bin "$work/dup.txt" -o "$work/bad.bin" 2>/dev/null
  ! "$fontconv" bin "$work/one.txt" -o "$work/bad.bin" 2>/dev/null
  ;;
esac
