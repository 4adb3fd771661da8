#!/usr/bin/env bash
# End-to-end tests of the SDL program under a private Xvfb (display :50 to
# :59, the first free one): the scenarios against the headless tool in a
# window, full screen (with a window manager, and without one as seen on the
# X screen) and with Shift held, closing the window both ways, the
# error exits, the program killed at 20 points and resumed, the ID screen
# and the resume offer, the time limits, and status 3
# (a read-only folder, a full disk) of this program and the headless tool.
#
#   sdl/tests/e2e/run-all.sh [BUILD_DIR]     (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=$(realpath "${1:-$root/build}")
export MERIDOKA=$build/sdl/meridoka
export HEADLESS=$build/headless/meridoka-headless
export WINDOW_GRAB=$build/sdl/tests/window-grab
for p in "$MERIDOKA" "$HEADLESS" "$WINDOW_GRAB"; do
  [ -x "$p" ] || { echo "e2e: $p is not built" >&2; exit 1; }
done
WORK=$(mktemp -d /tmp/meridoka-sdl-e2e.XXXXXX)
. "$here/lib.sh"
scenarios=$here/../scenarios
passed=0
failed=0
trap 'kill_program; wm_stop; xvfb_stop; if [ $failed = 0 ]; then rm -rf "$WORK"; else echo "e2e: work files kept in $WORK" >&2; fi' EXIT
xvfb_start

check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
}

scenario() {  # SCENARIO ARCHIVE MODE CLOSER
  "$here/run-scenario.sh" "$scenarios/$1.scn" "$2" "$WORK/$1-$3-$4" "$3" "$4"
}

no_archive() {
  local dir=$WORK/no-archive box
  mkdir -p "$dir"
  start_program "$dir"
  box=$(wait_window Error 10) || { echo "no error box; the program said: $(cat "$dir.err")" >&2; kill_program; return 1; }
  [ -z "$(window_id MERIDOKA)$(window_id Confirm)" ] || { echo "a window or the question came up" >&2; return 1; }
  xdotool windowfocus --sync "$box"
  xdotool key Return
  program_wait
  [ "$PROGRAM_RC" = 1 ] || { echo "exit code $PROGRAM_RC" >&2; return 1; }
  grep -qxF 'Error: not enough memory or error reading resources from "MERIDOKA.WDL" file.' "$dir.err" || return 1
  [ -z "$(ls "$dir")" ]
}

# No display at all ($1 = archive or "none"), or one that cannot be opened.
no_display() {
  local dir=$WORK/no-display-$2-$(basename "$1") rc=0 expect=2
  mkdir -p "$dir"
  if [ "$1" = none ]; then expect=1; else cp "$1" "$dir/MERIDOKA.WDL"; fi
  if [ "$2" = unset ]; then
    (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY timeout -s KILL 20 "$MERIDOKA" >"$dir.out" 2>"$dir.err") || rc=$?
  else  # a display with no server behind it
    (cd "$dir" && DISPLAY=$(unused_display) timeout -s KILL 20 "$MERIDOKA" >"$dir.out" 2>"$dir.err") || rc=$?
  fi
  [ "$rc" = "$expect" ] || { echo "exit code $rc, expected $expect" >&2; return 1; }
  if [ $expect = 2 ]; then
    grep -qxF 'Error: VGA adapter with at least 640x480 resolution required.' "$dir.err" || return 1
    [ "$(ls "$dir")" = MERIDOKA.WDL ]
  else
    grep -qF 'error reading resources' "$dir.err"
  fi
}

synthetic=$WORK/synthetic.wdl
packed=$WORK/packed-cp866.wdl
python3 "$root/tests/e2e/make_test_archive.py" "$synthetic" >/dev/null
python3 "$root/tests/e2e/make_test_archive.py" "$packed" --packed --f1-text >/dev/null

# without a window manager: the program's own Alt+F4 and focus
for s in full-run esc-first-item close-mid ignored-keys keypad runs-out; do
  check "$s (window)" scenario $s "$synthetic" windowed alt-f4
done
check "close-mid (close message)" scenario close-mid "$synthetic" windowed wm
check "esc-first-item (Shift held: no question)" scenario esc-first-item "$synthetic" shift alt-f4
check "no archive: error box, exit 1" no_archive
check "no display: exit 2" no_display "$synthetic" unset
check "display that cannot be opened: exit 2" no_display "$synthetic" bad
check "no display and no archive: exit 1" no_display none unset
check "killed at 20 points (SIGKILL), each session resumed to the uninterrupted result" \
  python3 "$root/tests/e2e/kill_resume.py" --exe "$MERIDOKA" --headless "$HEADLESS" --points 20 --work "$WORK/killed"
check "ID screen and resume offer: the ID typed, killed, 2 starts anew, 1 resumes" \
  python3 "$root/tests/e2e/id_resume.py" --exe "$MERIDOKA" --headless "$HEADLESS" --work "$WORK/id-resume"
check "time limits: an item's runs out twice, the test's after a resume (against the headless tool)" \
  python3 "$root/tests/e2e/time_limits.py" --exe "$MERIDOKA" --headless "$HEADLESS" --work "$WORK/time-limits"
check "status 3: read-only folder and full disk (this program and the headless tool)" \
  python3 "$root/tests/e2e/status3.py" --headless "$HEADLESS" --sdl "$MERIDOKA"

# under a window manager: full screen, and a window with a frame
wm_start
check "full-run (full screen, packed, CP866 texts)" scenario full-run "$packed" full alt-f4
check "close-mid (full screen)" scenario close-mid "$synthetic" full alt-f4
check "full-run (window manager)" scenario full-run "$synthetic" windowed wm
sample=$build/data/ru/MERIDOKA.WDL
if [ -f "$sample" ]; then
  check "any-archive (the sample test)" scenario any-archive "$sample" windowed alt-f4
  check "any-archive (the sample test, full screen)" scenario any-archive "$sample" full alt-f4
else
  echo "skip the sample test: $sample is not built"
fi
wm_stop

# full screen without a window manager, on a screen that takes the picture
# at twice its size: the X screen itself must show it
xvfb_stop
export SCREEN_W=1400 SCREEN_H=1000
xvfb_start
check "full screen without a window manager (the X screen at twice the size)" \
  "$here/full_screen_root.sh" "$synthetic" "$WORK/root-full"

echo "sdl-e2e: $passed passed, $failed failed"
[ $failed = 0 ]
