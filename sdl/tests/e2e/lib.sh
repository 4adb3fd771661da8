# Shared helpers for the SDL front end's end-to-end tests: a private Xvfb,
# finding windows by name, waiting until the program waits for a key, and
# typing like a person (xdotool key to the focused window).
# Needs: MERIDOKA (the program), WINDOW_GRAB (build/sdl/tests/window-grab),
# WORK (a scratch folder).

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SCREEN_W=${SCREEN_W:-1024}  # a test may start its server at another size
SCREEN_H=${SCREEN_H:-768}

xvfb_start() {
  local n
  for n in 50 51 52 53 54 55 56 57 58 59; do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    # -noreset: by default the server resets when its last client leaves, and
    # drops a connection that comes during the reset (a lone message box).
    Xvfb :$n -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    export DISPLAY=:$n
    local i
    for i in $(seq 50); do
      if xdpyinfo >/dev/null 2>&1; then return 0; fi
      kill -0 $XVFB_PID 2>/dev/null || break
      sleep 0.1
    done
    kill $XVFB_PID 2>/dev/null || true
    wait $XVFB_PID 2>/dev/null || true
  done
  echo "e2e: no X display free in :50..:59" >&2
  return 1
}

xvfb_stop() {
  if [ -n "${XVFB_PID:-}" ]; then
    kill $XVFB_PID 2>/dev/null || true
    wait $XVFB_PID 2>/dev/null || true
    XVFB_PID=
  fi
}

# Openbox as the window manager (full screen needs one: it is the window
# manager that makes a window cover the screen).
wm_start() {
  openbox >"$WORK/openbox.log" 2>&1 &
  WM_PID=$!
  export WM_PID
  local i
  for i in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "e2e: openbox did not start (running: $(alive $WM_PID && echo yes || echo no))" >&2
  sed 's/^/  openbox: /' "$WORK/openbox.log" >&2
  return 1
}

wm_stop() {
  if [ -n "${WM_PID:-}" ]; then
    kill $WM_PID 2>/dev/null || true
    wait $WM_PID 2>/dev/null || true
    WM_PID=
  fi
}

# A display number of ours with no server behind it.
unused_display() {
  local n
  for n in 59 58 57 56 55 54 53 52 51 50; do
    [ ":$n" = "$DISPLAY" ] && continue
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { echo ":$n"; return 0; }
  done
  return 1
}

# The id of the window with this exact name (at any depth: a window manager
# puts its frame around it), or nothing.
window_id() {
  xwininfo -root -tree 2>/dev/null | awk -v n="\"$1\":" '$2 == n { print $1; exit }'
}

# Waits up to $2 seconds (default 10) for a viewable window named $1.
wait_window() {
  local name=$1 tries=$(( ${2:-10} * 10 )) id
  while [ $tries -gt 0 ]; do
    id=$(window_id "$name")
    if [ -n "$id" ] && xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable'; then
      echo "$id"
      return 0
    fi
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# "X Y W H" of a window on the screen.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}

# The window's picture (or the part X Y W H of it) as 8-bit grey bytes on
# standard output; fails when the window is gone.
capture() {
  "$WINDOW_GRAB" "$@" 2>/dev/null
}

alive() { kill -0 "$1" 2>/dev/null; }

# Waits until the program waits for a key: the window's picture has stopped
# changing, then a little longer. Returns at once when the program ended or
# its window is gone.
wait_ready() {
  local pid=$1 wid=$2 prev= now i
  sleep 0.2
  for i in $(seq 60); do
    alive "$pid" || return 0
    now=$(set -o pipefail; capture "$wid" | md5sum) || return 0  # window gone
    if [ "$now" = "$prev" ]; then
      sleep 0.1
      return 0
    fi
    prev=$now
    sleep 0.1
  done
  echo "e2e: the window never settled" >&2
  return 1
}

# Holds Shift down until shift_release.
shift_hold() {
  xdotool keydown shift sleep 30 keyup shift &
  SHIFT_PID=$!
  sleep 0.3
}

shift_release() {
  [ -n "${SHIFT_PID:-}" ] || return 0
  kill "$SHIFT_PID" 2>/dev/null || true
  wait "$SHIFT_PID" 2>/dev/null || true
  SHIFT_PID=
  # the server keeps the key down when the client that pressed it goes
  xdotool keyup shift
}

# Starts the program in folder $1; its output goes to $1.out and $1.err.
start_program() {
  local dir=$1
  (cd "$dir" && exec "$MERIDOKA" >"$dir.out" 2>"$dir.err") &
  PROGRAM_PID=$!
}

# Ends a program that is still running (and a message box it forked).
kill_program() {
  [ -n "${PROGRAM_PID:-}" ] || return 0
  if alive "$PROGRAM_PID"; then
    local child
    for child in $(ps -o pid= --ppid "$PROGRAM_PID" 2>/dev/null); do kill -9 "$child" 2>/dev/null || true; done
    kill -9 "$PROGRAM_PID" 2>/dev/null || true
  fi
  wait "$PROGRAM_PID" 2>/dev/null || true
  PROGRAM_PID=
}

# Waits for the program to end (at most 30 s); its exit code goes to
# PROGRAM_RC ("hung" when it had to be killed).
program_wait() {
  local i
  for i in $(seq 300); do
    alive "$PROGRAM_PID" || break
    sleep 0.1
  done
  if alive "$PROGRAM_PID"; then
    echo "e2e: the program did not end; killed" >&2
    kill_program
    PROGRAM_RC=hung
    return 0
  fi
  PROGRAM_RC=0
  wait "$PROGRAM_PID" || PROGRAM_RC=$?
  PROGRAM_PID=
}

# Waits up to 3 s for the window named $1 to be gone.
wait_gone() {
  local i
  for i in $(seq 30); do
    [ -z "$(window_id "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}

# Answers the full-screen question: Return takes the default button (Yes),
# Escape the other one (No).
answer_question() {
  local box
  box=$(wait_window Confirm 10) || { echo "e2e: no full-screen question" >&2; return 1; }
  xdotool windowfocus --sync "$box"
  if [ "$1" = yes ]; then xdotool key Return; else xdotool key Escape; fi
}

# The program's window, focused (a window manager would give it the focus).
main_window() {
  local wid
  wid=$(wait_window MERIDOKA 10) || { echo "e2e: no MERIDOKA window" >&2; return 1; }
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  echo "$wid"
}

# The X key name for a scenario key name.
x_key() {
  case $1 in
    [0-9]) echo "$1" ;;
    esc) echo Escape ;;
    enter) echo Return ;;
    space) echo space ;;
    a) echo a ;;
    f1) echo F1 ;;
    f12) echo F12 ;;
    '#28') echo KP_Enter ;;  # the keypad Enter: 28 like the main one
    '#71') echo KP_Home ;;   # keypad 7 .. keypad 0 without Num Lock
    '#72') echo KP_Up ;;
    '#73') echo KP_Prior ;;
    '#75') echo KP_Left ;;
    '#76') echo KP_Begin ;;
    '#77') echo KP_Right ;;
    '#79') echo KP_End ;;
    '#80') echo KP_Down ;;
    '#81') echo KP_Next ;;
    '#82') echo KP_Insert ;;
    '#57') echo space ;;
    '#14') echo BackSpace ;;
    '#15') echo Tab ;;
    *) return 1 ;;
  esac
}

# Closes the window: "alt-f4" types Alt+F4, "wm" sends WM_DELETE_WINDOW as
# a window manager's close button does.
close_window() {
  if [ "$2" = wm ]; then python3 "$E2E_DIR/wm_close.py" "$1"; else xdotool key alt+F4; fi
}

# Converts a 38,462-byte screenshot to 8-bit grey bytes.
bmp_gray() {
  convert "$1" -depth 8 gray:-
}
