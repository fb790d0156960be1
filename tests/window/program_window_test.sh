#!/bin/bash
# The program on a real X server, as a person sees it. Run under xvfb_run.sh (a 1024x600 screen
# with nothing else on it):
#
#   xvfb_run.sh program_window_test.sh EXECUTABLE CASE
#
# CASE:
#   fullscreen  the window covers the screen and shows the 640x480 display letterboxed: black
#               bars left and right, the display scaled to 800x600 between them
#   windowed    with ORVANE_WINDOWED=1 a 640x480 window shows the display instead
#   keys        Right and Up change the picture, which stays still while no key is down
#   signals     SIGINT (Ctrl+C) and SIGTERM end the program at once, leaving no window
#   focus       Escape ends the program while another window has the focus
#   rate        the trace (ORVANE_TRACE) counts about 60 flips a second, never hundreds
#   nodisplay   with no display at all the program ends within 5 s, status 2, with a report
# Every case but nodisplay ends with Escape: status 0, within 5 s, and no window left.
# The picture checks first hold Up for a moment, so that the backdrop is no longer black and the
# whole display can be told from the bars.
# Exit: 0 passed, 1 failed, 77 skipped (a tool is missing; the reason is printed). Screenshots
# of a failed case are kept in ORVANE_TEST_OUTPUT (default: the working directory).
set -u

exe=${1:?usage: program_window_test.sh EXECUTABLE CASE}
case_name=${2:?usage: program_window_test.sh EXECUTABLE CASE}
caption="Orvane Demo"
screen_w=1024
screen_h=600

for tool in xdotool import convert compare; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (Debian packages xdotool, imagemagick)"
    exit 77
  fi
done
if [ "$case_name" != nodisplay ] && [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: DISPLAY is not set: run this under xvfb_run.sh" >&2
  exit 1
fi
if [ ! -x "$exe" ]; then
  echo "FAIL: $exe is not an executable" >&2
  exit 1
fi

work=$(mktemp -d)
output=${ORVANE_TEST_OUTPUT:-$PWD}
program_pid=
keep=()

finish() {
  xdotool keyup Escape Right Up 2>/dev/null
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
    kill -KILL "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  [ ${#keep[@]} -gt 0 ] && mkdir -p "$output"
  for name in "${keep[@]}"; do
    if [ -f "$work/$name.png" ]; then
      cp "$work/$name.png" "$output/window-$(basename "$exe")-$case_name-$name.png" &&
        echo "kept: $output/window-$(basename "$exe")-$case_name-$name.png"
    fi
  done
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

fail() {
  echo "FAIL ($case_name): $*"
  if [ -s "$work/stderr" ]; then
    echo "--- the program's standard error:"
    cat "$work/stderr"
  fi
  exit 1
}

# Starts the program with the given extra environment; its own keyboard, not a key script.
start() {
  env -u ORVANE_KEYS -u ORVANE_VIDEO "$@" "$exe" >"$work/stdout" 2>"$work/stderr" &
  program_pid=$!
}

# Waits for the program's window to be shown; sets $window.
wait_window() {
  window=
  for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended before showing its window"
    window=$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n1)
    [ -n "$window" ] && return 0
    sleep 0.1
  done
  fail "no window named \"$caption\" shown within 10 s"
}

# Sets X, Y, WIDTH, HEIGHT of $window.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

shot() {
  import -window root "$work/$1.png" || fail "cannot take a screenshot"
}

# The box around every pixel that is not black, as WxH+X+Y.
drawn_box() {
  convert "$work/$1.png" -format '%@' info:
}

# Number of pixels that differ between two screenshots.
difference() {
  compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1
}

end_with_escape() {
  xdotool keydown Escape
  for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  xdotool keyup Escape
  kill -0 "$program_pid" 2>/dev/null && fail "still running 5 s after Escape"
  wait "$program_pid"
  local status=$?
  program_pid=
  [ "$status" -eq 0 ] || fail "ended with status $status after Escape"
  if xdotool search --name "^$caption\$" >/dev/null 2>&1; then
    fail "a window named \"$caption\" is left after the program ended"
  fi
}

# Holds Up for about a second: the backdrop's raw value climbs to about 60, a clear blue.
lighten_backdrop() {
  xdotool keydown Up
  sleep 1
  xdotool keyup Up
  sleep 0.3
}

case "$case_name" in
  fullscreen)
    start
    wait_window
    geometry
    [ "$X $Y $WIDTH $HEIGHT" = "0 0 $screen_w $screen_h" ] ||
      fail "the window is ${WIDTH}x$HEIGHT+$X+$Y, not the whole ${screen_w}x$screen_h screen"
    lighten_backdrop
    shot screen
    box=$(drawn_box screen)
    if [ "$box" != "800x600+112+0" ]; then
      keep=(screen)
      fail "the picture is drawn in $box, not in the display's 800x600+112+0 between black bars"
    fi
    end_with_escape
    ;;

  windowed)
    start ORVANE_WINDOWED=1
    wait_window
    lighten_backdrop
    geometry
    [ "$WIDTH $HEIGHT" = "640 480" ] || fail "the window is ${WIDTH}x$HEIGHT, not 640x480"
    shot screen
    box=$(drawn_box screen)
    if [ "$box" != "640x480+$X+$Y" ]; then
      keep=(screen)
      fail "the picture is drawn in $box, not in the window's 640x480+$X+$Y"
    fi
    end_with_escape
    ;;

  keys)
    start
    wait_window
    sleep 1
    shot still1
    sleep 0.5
    shot still2
    changed=$(difference still1 still2)
    if [ "$changed" != 0 ]; then
      keep=(still1 still2)
      fail "the picture changes ($changed pixels) with no key down: keys cannot be told apart"
    fi
    before=still2
    for key in Right Up; do
      xdotool keydown "$key"
      sleep 0.5
      xdotool keyup "$key"
      sleep 0.3
      shot "after-$key"
      changed=$(difference "$before" "after-$key")
      if [ "$changed" = 0 ]; then
        keep=("$before" "after-$key")
        fail "$key did not change the picture"
      fi
      before=after-$key
    done
    end_with_escape
    ;;

  signals)
    # Ctrl+C and SIGTERM end the program at once; the desktop's mode was never changed, so no
    # window and nothing else is left.
    for signal in INT TERM; do
      start
      wait_window
      kill -s "$signal" "$program_pid"
      for _ in $(seq 20); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -0 "$program_pid" 2>/dev/null && fail "still running 2 s after SIG$signal"
      wait "$program_pid"
      status=$?
      program_pid=
      [ "$status" -gt 128 ] || fail "ended with status $status after SIG$signal, not by the signal"
      if xdotool search --name "^$caption\$" >/dev/null 2>&1; then
        fail "a window named \"$caption\" is left after SIG$signal"
      fi
    done
    ;;

  focus)
    command -v xclock >/dev/null 2>&1 || { echo "SKIP: xclock is not installed (Debian package x11-apps)"; exit 77; }
    start
    wait_window
    xclock -geometry 200x200+50+50 &
    other_pid=$!
    other=
    for _ in $(seq 50); do
      other=$(xdotool search --onlyvisible --name '^xclock$' 2>/dev/null | head -n1)
      [ -n "$other" ] && break
      sleep 0.1
    done
    [ -n "$other" ] || fail "the other window (xclock) did not show"
    xdotool windowraise "$other" windowfocus --sync "$other"
    [ "$(xdotool getwindowfocus)" = "$other" ] || fail "cannot give the focus to the other window"
    end_with_escape
    [ "$(xdotool getwindowfocus)" = "$other" ] || fail "the other window lost the focus on the way"
    kill "$other_pid" 2>/dev/null
    wait "$other_pid" 2>/dev/null
    ;;

  rate)
    start ORVANE_TRACE="$work/trace"
    wait_window
    sleep 1
    flips() { grep -c '\.Flip(' "$work/trace"; }
    t1=$(date +%s%N)
    n1=$(flips)
    sleep 2
    n2=$(flips)
    t2=$(date +%s%N)
    per_second=$(( (n2 - n1) * 1000000000 / (t2 - t1) ))
    echo "flips: $((n2 - n1)) in $(( (t2 - t1) / 1000000 )) ms, $per_second a second"
    if [ "$per_second" -lt 40 ] || [ "$per_second" -gt 70 ]; then
      fail "$per_second flips a second, not about 60"
    fi
    end_with_escape
    ;;

  nodisplay)
    t1=$(date +%s%N)
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u ORVANE_KEYS -u ORVANE_VIDEO \
      timeout -s KILL 10 "$exe" >"$work/stdout" 2>"$work/stderr"
    status=$?
    t2=$(date +%s%N)
    ms=$(( (t2 - t1) / 1000000 ))
    echo "ended in $ms ms with status $status, saying: $(cat "$work/stderr" "$work/stdout")"
    [ "$ms" -lt 5000 ] || fail "took $ms ms to end"
    [ "$status" -eq 2 ] || fail "ended with status $status, not 2"
    grep -qi "display" "$work/stderr" "$work/stdout" || fail "the report does not say that there is no display"
    ;;

  *)
    echo "unknown case \"$case_name\": fullscreen windowed keys focus rate nodisplay" >&2
    exit 1
    ;;
esac
echo "PASS ($case_name)"
