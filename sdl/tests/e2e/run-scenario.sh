#!/usr/bin/env bash
# Runs one scenario on the SDL program under the current X display and on
# the headless tool, then compares: exit codes, every F12 screenshot byte for
# byte, the result file byte for byte, the session journal row by row (times,
# clock and build aside), and each screenshot against what the window showed
# just before F12.
#
#   run-scenario.sh SCENARIO ARCHIVE WORKDIR [windowed|full|shift] [alt-f4|wm]
#
# MERIDOKA, HEADLESS and WINDOW_GRAB name the programs; WM_PID is set when
# a window manager runs. "windowed" answers the full-screen
# question No, "full" answers Yes, "shift" holds Shift while the program
# starts. The last argument is how a "close" in the scenario closes the
# window. Prints nothing and exits 0 when everything matches.
set -euo pipefail
scenario=$(realpath "$1")
archive=$(realpath "$2")
WORK=$3
mode=${4:-windowed}
closer=${5:-alt-f4}
. "$(dirname "$0")/lib.sh"

fail() {
  echo "FAIL $(basename "$scenario") [$mode, $closer]: $*" >&2
  if [ -s "$WORK/sdl.err" ]; then sed 's/^/  program: /' "$WORK/sdl.err" >&2; fi
  exit 1
}
trap 'shift_release; kill_program' EXIT

rm -rf "$WORK"
mkdir -p "$WORK/headless" "$WORK/sdl" "$WORK/views"
cp "$archive" "$WORK/headless/MERIDOKA.WDL"
cp "$archive" "$WORK/sdl/MERIDOKA.WDL"

# the scenario as "verb arg" lines, comments dropped ('#' before a digit is a key)
steps=$(python3 - "$scenario" <<'PY'
import re, sys
for line in open(sys.argv[1]):
    line = re.sub(r"#(?!\d).*", "", line).split()
    if line:
        print(" ".join(line))
PY
)

headless_rc=0
(cd "$WORK/headless" && "$HEADLESS" "$scenario" >../headless.out 2>../headless.err) || headless_rc=$?

if [ "$mode" = shift ]; then shift_hold; fi
start_program "$WORK/sdl"
if [ "$mode" = shift ]; then
  wid=$(main_window) || { shift_release; fail "no window"; }
  shift_release
  [ -z "$(window_id Confirm)" ] || fail "the question was asked with Shift held"
else
  answer_question "$([ "$mode" = full ] && echo yes || echo no)" || fail "question"
  wid=$(main_window) || fail "no window"
fi

# where the picture is inside the window
read -r wx wy ww wh < <(window_geometry "$wid")
if [ "$mode" = full ]; then
  [ "$ww $wh" = "$SCREEN_W $SCREEN_H" ] || fail "full screen window is ${ww}x$wh"
  crop="$(( (ww - 640) / 2 )) $(( (wh - 480) / 2 )) 640 480"
else
  [ "$ww $wh" = "640 480" ] || fail "window client area is ${ww}x$wh"
  # centred; a window manager's frame may shift it a little
  dx=$(( wx - (SCREEN_W - 640) / 2 )) dy=$(( wy - (SCREEN_H - 480) / 2 ))
  slack=0
  [ -n "${WM_PID:-}" ] && slack=40
  [ ${dx#-} -le $slack ] && [ ${dy#-} -le $slack ] || fail "window not centred: at $wx,$wy"
  crop="0 0 640 480"
fi

shots=0
while read -r verb arg; do
  [ -n "$verb" ] || continue
  wait_ready "$PROGRAM_PID" "$wid" || fail "window never settled"
  alive "$PROGRAM_PID" || break  # the test ended; the rest of the script is not used
  case $verb in
    key) xdotool key "$(x_key "$arg")" ;;
    shot)
      shots=$((shots + 1))
      # shellcheck disable=SC2086
      capture "$wid" $crop >"$WORK/views/$shots.gray"
      xdotool key F12 ;;
    close) close_window "$wid" "$closer" ;;
    busy) fail "busy keys cannot be timed from outside" ;;
    *) fail "unknown step $verb" ;;
  esac
done <<<"$steps"

# a scenario that runs out before the test ends is taken as a closed window
wait_ready "$PROGRAM_PID" "$wid" || true
if alive "$PROGRAM_PID"; then close_window "$wid" "$closer"; fi
program_wait
rc=$PROGRAM_RC

[ "$rc" = "$headless_rc" ] || fail "exit code $rc, headless $headless_rc; $(cat "$WORK/sdl.err")"
wait_gone MERIDOKA || fail "window still there after exit"
h_files=$(cd "$WORK/headless" && ls)
s_files=$(cd "$WORK/sdl" && ls)
[ "$h_files" = "$s_files" ] || fail "files differ: headless [$h_files] sdl [$s_files]"
for f in $s_files; do
  case $f in
    S???????.CSV)
      python3 "$E2E_DIR/../../../tests/e2e/journal_check.py" same "$WORK/sdl/$f" "$WORK/headless/$f" \
        || fail "$f is not the headless run's session" ;;
    *) cmp -s "$WORK/headless/$f" "$WORK/sdl/$f" || fail "$f differs from the headless one" ;;
  esac
done
[ "$(ls "$WORK/sdl" | grep -c '\.bmp$')" = "$shots" ] || fail "expected $shots screenshots"
for n in $(seq "$shots"); do
  f=$(printf '%08u.bmp' "$n")
  [ "$(stat -c %s "$WORK/sdl/$f")" = 38462 ] || fail "$f is not 38,462 bytes"
  bmp_gray "$WORK/sdl/$f" | cmp -s - "$WORK/views/$n.gray" || fail "the window did not show what $f holds"
done
exit 0
