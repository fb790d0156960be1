#!/bin/bash
# Runs a command under an X server of its own (Xvfb, a 1024x600 screen, black root window), then
# stops the server whatever the command did, also when the run is interrupted.
#
#   xvfb_run.sh COMMAND [ARG...]
#
# Exit: the command's status; 77 (skipped, with the reason printed) when Xvfb or xdotool is not
# installed; 1 when Xvfb is installed but does not start.
set -u

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed (Debian package xvfb): no X server to run $1 on"
  exit 77
fi
# Every window test drives the server with xdotool.
if ! command -v xdotool >/dev/null 2>&1; then
  echo "SKIP: xdotool is not installed (Debian package xdotool): cannot drive the X server"
  exit 77
fi
if [ $# -eq 0 ]; then
  echo "usage: xvfb_run.sh COMMAND [ARG...]" >&2
  exit 1
fi

work=$(mktemp -d)
xvfb_pid=
stop_server() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 143' TERM INT HUP

# -displayfd: Xvfb picks a free display number and writes it, then a newline, once it takes
# connections. -noreset: the server does not restart between one client and the next.
Xvfb -displayfd 3 -screen 0 1024x600x24 -br -nolisten tcp -noreset 3>"$work/display" \
  2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ "$(wc -l <"$work/display")" -ge 1 ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
if [ "$(wc -l <"$work/display")" -lt 1 ]; then
  echo "FAIL: Xvfb did not start within 10 s:"
  cat "$work/xvfb.log"
  exit 1
fi

DISPLAY=":$(head -n1 "$work/display")" "$@"
