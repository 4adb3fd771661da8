#!/usr/bin/env bash
# Full screen without a window manager (a kiosk started by xinit), seen on
# the X screen itself: the window covers the screen, and the root window's
# picture is the program's own screen (its F12 screenshot) at the largest
# whole scale that fits, centred on black.
#
#   full_screen_root.sh ARCHIVE WORKDIR
#
# Runs on the current X display, which must have no window manager and be
# SCREEN_W x SCREEN_H; MERIDOKA and WINDOW_GRAB name the programs. Prints
# nothing and exits 0 when the screen is right.
set -euo pipefail
archive=$(realpath "$1")
WORK=$2
. "$(dirname "$0")/lib.sh"

fail() {
  echo "FAIL full screen without a window manager: $*" >&2
  if [ -s "$WORK/run.err" ]; then sed 's/^/  program: /' "$WORK/run.err" >&2; fi
  exit 1
}
trap kill_program EXIT

rm -rf "$WORK"
mkdir -p "$WORK/run"
cp "$archive" "$WORK/run/MERIDOKA.WDL"
start_program "$WORK/run"
answer_question yes || fail "question"
wid=$(main_window) || fail "no window"
read -r wx wy ww wh < <(window_geometry "$wid")
[ "$wx $wy $ww $wh" = "0 0 $SCREEN_W $SCREEN_H" ] || fail "the window is ${ww}x$wh at $wx,$wy"
wait_ready "$PROGRAM_PID" "$wid" || fail "the window never settled"

root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
capture "$root" >"$WORK/root.gray" || fail "no picture of the root window"
xdotool key F12
for _ in $(seq 50); do [ -s "$WORK/run/00000001.bmp" ] && break; sleep 0.1; done
[ "$(stat -c %s "$WORK/run/00000001.bmp" 2>/dev/null)" = 38462 ] || fail "no screenshot"
scale=$(( SCREEN_W / 640 < SCREEN_H / 480 ? SCREEN_W / 640 : SCREEN_H / 480 ))
convert "$WORK/run/00000001.bmp" -scale "$((scale * 100))%" -background black -gravity center \
  -extent "${SCREEN_W}x$SCREEN_H" -depth 8 gray:- >"$WORK/expected.gray"
cmp -s "$WORK/expected.gray" "$WORK/root.gray" \
  || fail "the screen is not the program's picture at ${scale}x, centred (see $WORK/*.gray)"

close_window "$wid" alt-f4
program_wait
[ "$PROGRAM_RC" = 0 ] || fail "exit code $PROGRAM_RC"
