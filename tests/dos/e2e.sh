#!/usr/bin/env bash
# End-to-end tests of the DOS build in headless DOSBox. Every case runs the
# program with keys fed by KEYFEED.COM from a scenario, then compares the
# dumped screens and RESULT-D.TXT with the headless tool's for the same
# scenario, and checks the exit code, standard output and the video mode.
#   tests/dos/e2e.sh [BUILD_DIR]   (from the repo root; needs build/ from stage 10)
# DOS_CASES="busy fkeys" runs only the cases named. DOS_SAMPLES=DIR takes
# the sample cases' program and test from DIR/RU and DIR/EN (an unpacked
# release) instead of the build's.
set -euo pipefail
out=${1:-build-dos}
root=$PWD
headless=$root/build/headless/meridoka-headless
wdl=$root/build/tools/wdl/wdl
scenarios=$root/tests/dos/scenarios
for tool in "$headless" "$wdl"; do
  [ -x "$tool" ] || { echo "dos e2e: $tool is missing (run stage 10 first)" >&2; exit 1; }
done

for n in keyfeed getmode setmode getvec filler; do
  as --32 "tests/dos/$n.S" -o "$out/obj/$n.o"
  ld -m elf_i386 -nostdlib -Ttext=0x100 -e _start --oformat binary "$out/obj/$n.o" -o "$out/${n^^}.COM"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/meridoka-dos.XXXXXX")
trap '[ -n "${DOS_KEEP:-}" ] && echo "dos e2e: work files in $work" || rm -rf "$work"' EXIT
failures=0
fail() { echo "  FAIL: $*" >&2; failures=$((failures + 1)); }

# IF ERRORLEVEL n is true for n and above: an ascending ladder ends at the value.
ladder() {
  local file=$1
  printf 'SET RC=X\r\n'
  for n in $(seq 0 20); do printf 'IF ERRORLEVEL %d SET RC=%d\r\n' "$n" "$n"; done
  printf 'ECHO %%RC%%> %s\r\n' "$file"
}

# run_dos DIR MACHINE START_MODE [FREE_KB]: KEYS.BIN and MERIDOKA.EXE are
# already in DIR. With FREE_KB, FILLER.COM leaves only that much memory free.
run_dos() {
  local dir=$1 machine=$2 start_mode=$3 free_kb=${4:-}
  cp "$out"/{KEYFEED,GETMODE,SETMODE,GETVEC,FILLER}.COM "$dir/"
  {
    [ -z "${DOS_VERSION:-}" ] || printf 'VER SET %s\r\n' "$DOS_VERSION"
    [ "$start_mode" = 3 ] || printf 'SETMODE %d\r\n' "$start_mode"
    printf 'GETMODE\r\n'; ladder MODE0.TXT
    printf 'KEYFEED\r\n'
    [ -z "$free_kb" ] || printf 'FILLER %d\r\n' "$free_kb"
    printf 'GETVEC > VEC0.TXT\r\n'
    printf 'MERIDOKA %s> OUT.TXT\r\n' "${DOS_OPTIONS:+$DOS_OPTIONS }"; ladder RC.TXT
    printf 'GETVEC > VEC1.TXT\r\n'
    printf 'GETMODE\r\n'; ladder MODE1.TXT
    printf 'EXIT\r\n'
  } > "$dir/RUN.BAT"
  HOME=$work SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 60 \
    dosbox -machine "$machine" -c "mount c $dir" -c "c:" -c "RUN.BAT" > "$dir/../dosbox.log" 2>&1 || true
}

value() { tr -d '\r\n ' < "$1" 2>/dev/null || echo missing; }

# run_case NAME ARCHIVE SCENARIO EXPECTED_STATUS [HOW [KEY OPTIONS...]]
# ARCHIVE is a file or "none". HOW: compare (with the headless tool, the
# default), dos-only (a DOS limit the host does not have), ega or cga (the
# machine DOSBox emulates; no display for the headless tool to compare),
# mode1 (compare, started from 40x25 text mode 1 instead of mode 3),
# memory-K (with only K KB of memory free; compared when it runs the test),
# 8086 or 286 (a copy of the program whose processor check finds that
# processor).
# Break keys in SCENARIO (scenario_keys.py) are Esc for the headless tool.
# DOS_OPTIONS (in the environment of the call) are the program's options,
# DOS_FILES files put in both folders beforehand (journals of earlier runs),
# DOS_TIMES a tolerance in ms for the journal's response times, DOS_VERSION
# the DOS version DOSBox reports ("3 20").
# Compared: screens, RESULT-D.TXT, the messages and the session journal.
run_case() {
  if [ -n "${DOS_CASES:-}" ] && ! [[ " $DOS_CASES " == *" $1 "* ]]; then
    return 0
  fi
  local name=$1 archive=$2 scenario=$3 expected=$4 how=${5:-compare}
  shift $(( $# < 5 ? $# : 5 ))
  local machine=svga_s3 start_mode=3 free_kb="" exe=${DOS_EXE:-$out/MERIDOKA.EXE}
  case $how in
    ega|cga) machine=$how ;;
    mode1) start_mode=1; how=compare ;;
    memory-*) free_kb=${how#memory-}; [ "$expected" != 0 ] || how=compare ;;
    8086|286) exe=$work/$how.exe; python3 tests/dos/old_cpu.py "$how" "$out/MERIDOKA.EXE" "$exe" ;;
  esac
  echo "dos: $name"
  local c=$work/$name
  mkdir -p "$c/dos" "$c/ref"
  if [ "$archive" != none ]; then
    cp "$archive" "$c/dos/MERIDOKA.WDL"
    cp "$archive" "$c/ref/MERIDOKA.WDL"
  fi
  local earlier
  for earlier in ${DOS_FILES:-}; do
    cp "$earlier" "$c/dos/"
    cp "$earlier" "$c/ref/"
  done
  python3 tests/dos/scenario_keys.py "$scenario" "$c/dos/KEYS.BIN" "$@"
  cp "$exe" "$c/dos/MERIDOKA.EXE"
  run_dos "$c/dos" "$machine" "$start_mode" "$free_kb"

  local rc mode0 mode1
  rc=$(value "$c/dos/RC.TXT"); mode0=$(value "$c/dos/MODE0.TXT"); mode1=$(value "$c/dos/MODE1.TXT")
  [ "$rc" = "$expected" ] || fail "$name: exit code $rc, expected $expected"
  [ "$mode0" = "$start_mode" ] && [ "$mode1" = "$mode0" ] || fail "$name: video mode $mode0 at start, $mode1 after the run"
  ls "$c/dos" | grep -qi '\.bmp$' && fail "$name: a BMP file was written"
  [ "$(value "$c/dos/VEC0.TXT")" = "$(value "$c/dos/VEC1.TXT")" ] ||
    fail "$name: INT 1Bh was $(value "$c/dos/VEC0.TXT") before the run, $(value "$c/dos/VEC1.TXT") after it"

  if [ "$how" != compare ]; then
    local message=""
    case $expected in
      1) message='Error: not enough memory or error reading resources from "MERIDOKA.WDL" file.\r\n' ;;
      2) message='Error: VGA adapter with at least 640x480 resolution required.\r\n' ;;
    esac
    case $how in 8086|286) message='Error: 80386 or later processor required.\r\n' ;; esac
    cmp -s <(printf "$message") "$c/dos/OUT.TXT" || fail "$name: standard output is not the expected message: $(od -c "$c/dos/OUT.TXT" | head -3)"
    echo "  status $rc, video mode $mode1 kept"
    return 0
  fi
  local ref_rc=0
  python3 tests/dos/scenario_keys.py --reference "$scenario" "$c/reference.scn"
  # shellcheck disable=SC2086
  (cd "$c/ref" && "$headless" --dos-results ../reference.scn ${DOS_OPTIONS:-} 2> ../headless.log) || ref_rc=$?
  [ "$ref_rc" = "$expected" ] || fail "$name: the headless tool ended with $ref_rc"
  # the same messages, on standard output with CR LF
  { grep -v '^meridoka-headless: ' "$c/headless.log" || true; } | sed 's/$/\r/' | cmp -s - "$c/dos/OUT.TXT" ||
    fail "$name: standard output differs from the headless tool's messages: $(od -c "$c/dos/OUT.TXT" | head -3)"
  local journal
  for journal in "$c"/ref/S*.CSV; do
    [ -e "$journal" ] && ! [[ " ${DOS_FILES:-} " == *"/$(basename "$journal") "* ]] || continue
    python3 tests/dos/journal_same.py "$c/dos/$(basename "$journal")" "$journal" \
      ${DOS_TIMES:+--times $DOS_TIMES} || fail "$name: the journal differs"
    echo "  journal $(basename "$journal") compared"
  done
  ls "$c/dos" | grep -q '^S[0-9]*\.CSV$' && ! ls "$c/ref" | grep -q '^S[0-9]*\.CSV$' &&
    fail "$name: a journal was written, the headless tool wrote none"
  local shots=0
  for bmp in "$c"/ref/*.bmp; do
    [ -e "$bmp" ] || continue
    shots=$((shots + 1))
    local dump
    dump=$(printf '%s/dos/SHOT%04d.BIN' "$c" "$shots")
    if [ ! -e "$dump" ]; then
      fail "$name: screen $shots was not dumped"
    elif ! cmp -s <(tail -c +63 "$bmp") "$dump"; then
      fail "$name: screen $shots differs from the headless tool's"
    fi
  done
  local extra
  extra=$(printf '%s/dos/SHOT%04d.BIN' "$c" "$((shots + 1))")
  [ ! -e "$extra" ] || fail "$name: more screens dumped than the headless tool took ($shots)"
  if [ -e "$c/ref/RESULT-D.TXT" ]; then
    cmp -s "$c/ref/RESULT-D.TXT" "$c/dos/RESULT-D.TXT" || fail "$name: RESULT-D.TXT differs from the headless tool's"
  else
    [ ! -e "$c/dos/RESULT-D.TXT" ] || fail "$name: RESULT-D.TXT written, the headless tool wrote none"
  fi
  echo "  status $rc, $shots screens compared$( [ -e "$c/ref/RESULT-D.TXT" ] && echo ", result file compared")"
}

# Peak heap and stack use, from the program's data segment dumped at its
# last wait: heap_peak is the allocator's own count; the stack area starts
# filled with 5Ah bytes.
symbol() { nm "$out/meridoka.elf" | awk -v s="$1" '$3 == s { print "0x" $1 }'; }
word32() { od -An -tu4 -j "$(($(symbol "$2")))" -N4 "$1" | tr -d ' '; }
memory_use() {
  local dump=$1
  local heap end limit top
  heap=$(word32 "$dump" heap_peak); end=$(word32 "$dump" dos_memory_end)
  limit=$(($(symbol _stack_limit))); top=$(($(symbol _stack_top)))
  local untouched
  untouched=$(python3 -c "import sys; d=open(sys.argv[1],'rb').read()[$limit:$top]; print(len(d)-len(d.lstrip(b'\x5a')))" "$dump")
  echo "  peak heap use $heap bytes of $((end - $(symbol _heap_start))); peak stack use $((top - limit - untouched)) bytes of $((top - limit))"
  [ "$untouched" -gt 512 ] || fail "the stack came within 512 bytes of the static data"
}

arch=$work/archives
mkdir -p "$arch"
python3 tests/e2e/make_test_archive.py "$arch/eight.wdl" --items 8 > /dev/null
python3 tests/e2e/make_test_archive.py "$arch/five-packed.wdl" --items 5 --packed > /dev/null
# the same test packed by the archive tool: its matches reach the decoder
"$wdl" extract "$arch/eight.wdl" -o "$arch/eight-source" > /dev/null
"$wdl" build "$arch/eight-source" -o "$arch/eight-lzss.wdl" > /dev/null 2>&1
python3 tests/e2e/make_test_archive.py "$arch/f1.wdl" --items 5 --f1-text > /dev/null
python3 tests/e2e/make_test_archive.py "$arch/zero.wdl" --items 0 > /dev/null
python3 tests/dos/limit_archives.py "$arch"
python3 tests/e2e/make_test_archive.py "$arch/five-id.wdl" --items 5 --ask-id required --id-length 6 > /dev/null
python3 tests/e2e/make_test_archive.py "$arch/five-offer.wdl" --items 5 --ask-id required --id-length 6 \
  --offer-resume > /dev/null
python3 tests/e2e/make_test_archive.py "$arch/item-limit.wdl" --items 5 --item-seconds 2 > /dev/null

run_case whole "$arch/eight.wdl" "$scenarios/whole.scn" 0 compare --dump-data-last
[ ! -e "$work/whole/dos/DATA0001.BIN" ] || memory_use "$work/whole/dos/DATA0001.BIN"
run_case whole-lzss "$arch/eight-lzss.wdl" "$scenarios/whole.scn" 0 compare --dump-data-last
[ ! -e "$work/whole-lzss/dos/DATA0001.BIN" ] || memory_use "$work/whole-lzss/dos/DATA0001.BIN"
[ ! -d "$work/whole-lzss" ] || grep -q ' 6(+) 2(-) (8/8)' "$work/whole-lzss/dos/RESULT-D.TXT" || fail "whole-lzss: totals"
run_case whole-packed "$arch/five-packed.wdl" "$scenarios/five-right.scn" 0 compare --dump-data-last
[ ! -e "$work/whole-packed/dos/DATA0001.BIN" ] || memory_use "$work/whole-packed/dos/DATA0001.BIN"
run_case esc-first "$arch/eight.wdl" "$scenarios/esc-first.scn" 0
# the ID screen typed by scan code, as every build's
run_case id-screen "$arch/five-id.wdl" tests/e2e/id-screen.scn 0
run_case from-mode-1 "$arch/five-packed.wdl" "$scenarios/five-right.scn" 0 mode1
run_case no-archive none "$scenarios/one-key.scn" 1
run_case ega "$arch/eight.wdl" "$scenarios/one-key.scn" 2 ega
run_case cga "$arch/eight.wdl" "$scenarios/one-key.scn" 2 cga
run_case ega-no-archive none "$scenarios/one-key.scn" 2 ega  # the display comes first
run_case cpu-8086 "$arch/eight.wdl" "$scenarios/one-key.scn" 2 8086
run_case cpu-286 "$arch/eight.wdl" "$scenarios/one-key.scn" 2 286
# Ctrl+Break and Ctrl+C end the test as Esc does; DOS never ends the program
for s in break-preview break-busy ctrl-c ctrl-c-busy dos-ctrl-c; do
  run_case "$s" "$arch/eight.wdl" "$scenarios/$s.scn" 0
done
# The session journal: options from the command tail, the numbering past
# earlier journals, the timer clock, and what the journal refuses.
printf 'x\r\n' > "$arch/S0000005.CSV"  # a damaged journal of someone else
DOS_OPTIONS="/p:Dos-17" DOS_FILES="$arch/S0000005.CSV" \
  run_case participant "$arch/five-packed.wdl" "$scenarios/five-right.scn" 0
[ ! -d "$work/participant" ] || [ -e "$work/participant/dos/S0000006.CSV" ] || fail "participant: not S0000006.CSV"
# the feeder waits in whole ticks from wherever the tick stands: up to 55 ms
# short of each wait, and the ticks are 54.9 ms
DOS_TIMES=150 run_case clock "$arch/eight.wdl" "$scenarios/clock.scn" 0
# DOS before 3.3 has no commit call: a duplicate handle is closed instead
DOS_VERSION="3 20" run_case dos-3.20 "$arch/eight.wdl" "$scenarios/whole.scn" 0
DOS_OPTIONS="/P:Dos-17 /X" run_case bad-option "$arch/eight.wdl" "$scenarios/one-key.scn" 4
DOS_OPTIONS="/?" run_case usage "$arch/eight.wdl" "$scenarios/one-key.scn" 0
DOS_OPTIONS="/R" run_case nothing-to-resume "$arch/eight.wdl" "$scenarios/one-key.scn" 4
printf 'x\r\n' > "$arch/S9999999.CSV"
DOS_FILES="$arch/S9999999.CSV" run_case no-journal-number "$arch/eight.wdl" "$scenarios/one-key.scn" 3
run_case busy "$arch/five-packed.wdl" "$scenarios/busy.scn" 0
[ ! -d "$work/busy" ] || grep -q ' 1(+) 0(-) (1/5)' "$work/busy/dos/RESULT-D.TXT" || fail "busy: keys typed ahead were counted"
run_case fkeys "$arch/eight.wdl" "$scenarios/fkeys.scn" 0
run_case f1-text "$arch/f1.wdl" "$scenarios/five-right.scn" 0
[ ! -d "$work/f1-text" ] || grep -q $'Item 1 \xf1\xb0' "$work/f1-text/dos/RESULT-D.TXT" || fail "f1-text: 0xF1 was not kept"
run_case zero-items "$arch/zero.wdl" "$scenarios/one-key.scn" 1
run_case big-directory "$arch/big-directory.wdl" "$scenarios/esc-first.scn" 0
run_case wide-directory "$arch/wide-directory.wdl" "$scenarios/esc-first.scn" 0
run_case big-table "$arch/big-table.wdl" "$scenarios/one-key.scn" 1
run_case many-items "$arch/many-items.wdl" "$scenarios/esc-first.scn" 0

# Time limits, against the headless tool's exact time-outs (times aside).
# A key wait with a deadline polls, so the keys are fed for that (--polled).
run_case item-limit "$arch/item-limit.wdl" "$scenarios/item-limit.scn" 0 compare --polled
[ ! -d "$work/item-limit" ] || [ "$(grep -c ',item_timeout,' "$work/item-limit/ref/S0000001.CSV")" = 2 ] ||
  fail "item-limit: the headless tool's journal has not two time-outs"
# The test's limit (/T:1) across a resume: the headless tool's session that
# used 57 s of the minute, its session_end row cut as a power cut leaves it.
if [ -z "${DOS_CASES:-}" ] || [[ " $DOS_CASES " == *" test-limit-resumed "* ]]; then
  used=$work/used-57s
  mkdir -p "$used"
  cp "$arch/eight.wdl" "$used/MERIDOKA.WDL"
  printf 'key space\nkey 1\nkey enter\nwait 57000\nkey 2\nclose\n' > "$used/before.scn"
  (cd "$used" && "$headless" --dos-results before.scn /T:1 2> /dev/null) || fail "test-limit-resumed: the session before"
  python3 -c 'import sys; j = open(sys.argv[1], "rb").read(); open(sys.argv[1], "wb").write(j[:j.rindex(b"\r\n", 0, len(j) - 2) + 2])' \
    "$used/S0000001.CSV"
  DOS_OPTIONS="/R /T:1" DOS_FILES="$used/S0000001.CSV" \
    run_case test-limit-resumed "$arch/eight.wdl" "$scenarios/test-limit-resumed.scn" 0 compare --polled
  # the resumed journal was there before, so run_case leaves it to this check
  python3 tests/dos/journal_same.py "$work/test-limit-resumed/dos/S0000001.CSV" \
    "$work/test-limit-resumed/ref/S0000001.CSV" || fail "test-limit-resumed: the journal differs"
  grep -q ',time_up,' "$work/test-limit-resumed/ref/S0000001.CSV" ||
    fail "test-limit-resumed: the headless tool's time did not run out"
fi

# The resume offer: the headless tool's session of ID P-17 cut short after
# two answers (its last row cut as a power cut leaves it); typed again,
# the ID brings the offer, and 1 takes that session to its end.
if [ -z "${DOS_CASES:-}" ] || [[ " $DOS_CASES " == *" resume-offer "* ]]; then
  cut_short=$work/cut-short
  mkdir -p "$cut_short"
  cp "$arch/five-offer.wdl" "$cut_short/MERIDOKA.WDL"
  printf 'key p\nkey -\nkey 1\nkey 7\nkey enter\nkey space\nkey 1\nkey enter\nkey 2\nkey enter\nclose\n' \
    > "$cut_short/before.scn"
  (cd "$cut_short" && "$headless" --dos-results before.scn 2> /dev/null) || fail "resume-offer: the session before"
  python3 -c 'import sys; j = open(sys.argv[1], "rb").read(); open(sys.argv[1], "wb").write(j[:j.rindex(b"\r\n", 0, len(j) - 2) + 2])' \
    "$cut_short/S0000001.CSV"
  DOS_FILES="$cut_short/S0000001.CSV" run_case resume-offer "$arch/five-offer.wdl" "$scenarios/resume-offer.scn" 0
  python3 tests/dos/journal_same.py "$work/resume-offer/dos/S0000001.CSV" "$work/resume-offer/ref/S0000001.CSV" ||
    fail "resume-offer: the journal differs"
  grep -q ',session_resumed,' "$work/resume-offer/ref/S0000001.CSV" ||
    fail "resume-offer: the headless tool did not resume"
  grep -q ' 5(+) 0(-) (5/5)' "$work/resume-offer/dos/RESULT-D.TXT" || fail "resume-offer: totals"
fi

# The bundled sample tests (stage 10 builds them), taken to the end.
for lang in ru en; do
  sample=$root/build/data/$lang/MERIDOKA.WDL
  program=${DOS_EXE:-$out/MERIDOKA.EXE}
  if [ -n "${DOS_SAMPLES:-}" ]; then
    sample=$DOS_SAMPLES/${lang^^}/MERIDOKA.WDL
    program=$DOS_SAMPLES/${lang^^}/MERIDOKA.EXE
  fi
  if [ ! -e "$sample" ]; then
    echo "dos: sample-$lang: $sample not built, skipped"
    continue
  fi
  python3 tests/dos/answer_scenario.py "$wdl" "$sample" > "$work/sample-$lang.scn"
  DOS_EXE=$program run_case "sample-$lang" "$sample" "$work/sample-$lang.scn" 0 compare --dump-data-last
  [ -d "$work/sample-$lang" ] || continue
  memory_use "$work/sample-$lang/dos/DATA0001.BIN"
  grep -Eqa '\(([0-9]+)/\1\)' "$work/sample-$lang/dos/RESULT-D.TXT" || fail "sample-$lang: not every item was answered"
done

# Less than 64 KB free: the heap is what DOS gives beyond the code, the
# static data and the stack (the memory the program needs, plus its PSP and
# environment). 17 KB more than that runs the sample test; 2 KB more is too
# little to load it.
sample=$root/build/data/ru/MERIDOKA.WDL
needed_kb=$(( ($(symbol _data_image) + $(symbol _stack_top) + 256 + 1023) / 1024 ))
if [ -e "$sample" ]; then
  run_case memory-plenty "$sample" "$work/sample-ru.scn" 0 memory-$((needed_kb + 17)) --dump-data-last
  if [ -e "$work/memory-plenty/dos/DATA0001.BIN" ]; then
    memory_use "$work/memory-plenty/dos/DATA0001.BIN"
    [ "$(word32 "$work/memory-plenty/dos/DATA0001.BIN" dos_memory_end)" -lt $(( (needed_kb + 17) * 1024 )) ] ||
      fail "memory-plenty: the heap reaches past the memory DOS gave"
  fi
  run_case memory-short "$sample" "$work/sample-ru.scn" 1 memory-$((needed_kb + 2))
fi

# Power cuts: the journal keeps every answer, and /R resumes the session.
if [ -z "${DOS_CASES:-}" ] || [[ " $DOS_CASES " == *" power-cut "* ]]; then
  echo "dos: power-cut"
  python3 tests/dos/power_cut.py "$out" "$headless" || fail "power-cut"
fi

# One file for both builds: a small Windows program (and the real Windows
# build when it is in the tree) with the DOS program in its header area.
combined_case() {
  local name=$1 i686=$2 x64=$3
  echo "dos: $name"
  "$out/execombine" "$i686" "$out/MERIDOKA.EXE" "$work/$name-i686.exe" || { fail "$name: execombine failed"; return 0; }
  "$out/execombine" "$x64" "$out/MERIDOKA.EXE" "$work/$name-x64.exe" || { fail "$name: execombine failed"; return 0; }
  python3 tests/dos/check_combined.py "$work/$name-i686.exe" "$i686" "$out/MERIDOKA.EXE" || fail "$name: i686 layout"
  python3 tests/dos/check_combined.py "$work/$name-x64.exe" "$x64" "$out/MERIDOKA.EXE" || fail "$name: x86-64 layout"
  i686-w64-mingw32-objdump -p "$work/$name-i686.exe" > /dev/null || fail "$name: objdump cannot read the i686 file"
  DOS_CASES= DOS_EXE=$work/$name-i686.exe run_case "$name-in-dos" "$arch/eight.wdl" "$scenarios/whole.scn" 0
}
if [ -z "${DOS_CASES:-}" ] || [[ " $DOS_CASES " == *" combined "* ]]; then
  g++ -std=c++17 -O2 -Wall -Wextra -Werror tools/execombine/execombine.cpp -o "$out/execombine"
  for a in i686 x86_64; do
    entry=entry; [ $a = i686 ] && entry=_entry@0
    $a-w64-mingw32-g++ -std=c++17 -Os -Wall -Wextra -Werror -ffreestanding -nostdlib -nostartfiles -s \
      -fno-ident -Wl,--disable-reloc-section -Wl,--disable-dynamicbase -Wl,-e,$entry \
      "$(dos/combine.sh --ldflag $a "$out")" tests/dos/pe_probe.cpp -o "$out/probe-$a.exe" -lkernel32
  done
  # a Windows program linked for the default header area is refused, with the flag it needs
  x86_64-w64-mingw32-g++ -std=c++17 -Os -ffreestanding -nostdlib -nostartfiles -s -Wl,-e,entry \
    -Wl,--disable-reloc-section tests/dos/pe_probe.cpp -o "$out/probe-default.exe" -lkernel32
  if "$out/execombine" "$out/probe-default.exe" "$out/MERIDOKA.EXE" "$work/refused.exe" 2> "$work/refused.log"; then
    fail "combined: a Windows program without room for the DOS image was accepted"
  fi
  grep -q -- "$(dos/combine.sh --ldflag x86_64 "$out" | sed 's/^-Wl,//')" "$work/refused.log" ||
    fail "combined: no link flag advice"

  combined_case combined-probe "$out/probe-i686.exe" "$out/probe-x86_64.exe"
  # the Windows side of the file still runs (Wine runs x86-64 programs only)
  if [ -x /usr/lib/wine/wine64 ]; then
    prefix=$work/wine
    WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" timeout 120 /usr/lib/wine/wine64 wineboot -i > /dev/null 2>&1 || true
    wine_rc=0
    WINEPREFIX=$prefix WINEDEBUG=-all timeout 60 /usr/lib/wine/wine64 "$work/combined-probe-x64.exe" > /dev/null 2>&1 || wine_rc=$?
    # the prefix's server still writes into it for a while: wait, so that the clean-up can remove it
    WINEPREFIX=$prefix timeout 60 /usr/lib/wine/wineserver -w || true
    [ "$wine_rc" = 42 ] && echo "  the combined file runs under Wine: exit code 42" || fail "combined: Wine run ended with $wine_rc, not 42"
    # the prefix is removed at the end: the Wine server must be gone by then
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2> /dev/null || true
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2> /dev/null || true
  else
    fail "combined: /usr/lib/wine/wine64 is missing"
  fi
  if [ -e win32/Makefile ]; then
    for a in i686 x86_64; do
      make -s -f win32/Makefile OUT="$PWD/$out/win32" EXTRA_LDFLAGS="$(dos/combine.sh --ldflag $a "$out")" \
        "$PWD/$out/win32/meridoka-$a.exe"
    done
    combined_case combined-meridoka "$out/win32/meridoka-i686.exe" "$out/win32/meridoka-x86_64.exe"
  else
    echo "dos: combined-meridoka: win32/Makefile not in the tree, skipped"
  fi
fi

if [ $failures != 0 ]; then
  echo "dos e2e: $failures failures" >&2
  exit 1
fi
echo "dos e2e: all cases pass"
