#!/usr/bin/env bash
# Starts the station program under a virtual X server and checks that its window appears.
#   tools/smoke-window.sh <program> <station folder> [seconds to wait, default 30]
# Exit 0 when the sheet's window (named "SATA SSD MP Tool ...") appeared, 1 when not, 2 on
# bad use.
# Needs Xvfb (package xvfb) and xwininfo (package x11-utils).
set -u

program=${1:-}
station=${2:-}
wait_seconds=${3:-30}
if [[ -z "$program" || -z "$station" || ! -x "$program" || ! -d "$station" ]]; then
  echo "usage: $0 <program> <station folder> [seconds]" >&2
  exit 2
fi
for tool in Xvfb xwininfo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "smoke-window: $tool is missing (packages xvfb and x11-utils)" >&2
    exit 2
  fi
done
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")

# A free display number.
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done

log=$(mktemp)
xvfb_pid=""
program_pid=""
cleanup() {
  [[ -n "$program_pid" ]] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -f "$log"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do
  DISPLAY=":$display" xwininfo -root >/dev/null 2>&1 && break
  sleep 0.1
done
if ! DISPLAY=":$display" xwininfo -root >/dev/null 2>&1; then
  echo "smoke-window: the X server did not start" >&2
  exit 1
fi

(cd "$station" && DISPLAY=":$display" QT_QPA_PLATFORM=xcb exec "$program") >"$log" 2>&1 &
program_pid=$!

for _ in $(seq 1 $((wait_seconds * 10))); do
  if ! kill -0 "$program_pid" 2>/dev/null; then
    echo "smoke-window: the program ended before its window appeared:" >&2
    cat "$log" >&2
    program_pid=""
    exit 1
  fi
  if DISPLAY=":$display" xwininfo -root -tree 2>/dev/null | grep -q '"SATA SSD MP Tool'; then
    echo "smoke-window: the window appeared"
    exit 0
  fi
  sleep 0.1
done
echo "smoke-window: no window within $wait_seconds seconds" >&2
cat "$log" >&2
exit 1
