#!/usr/bin/env bash
# Runs bench/atspi_latency.py against the game in a D-Bus session of its own, on the X
# display in DISPLAY:
#   1. starts the accessibility bus (Qt never starts it itself),
#   2. starts the game (its accessibility is on from the start),
#   3. gives its window the keyboard focus (there is no window manager),
#   4. runs the AT-SPI client, then closes the game the way a TERM signal does.
#   bench/atspi_latency.sh GAME [SAMPLES]
set -euo pipefail
if [ -z "${PAARIX_BENCH_SESSION:-}" ]; then
  exec dbus-run-session -- env PAARIX_BENCH_SESSION=1 "$0" "$@"
fi
game=$1
samples=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)

dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
QT_QPA_PLATFORM=xcb "$game" 2>/dev/null &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" --name 'Paarix' | head -n 1)
xdotool windowfocus --sync "$window"
/usr/bin/python3 "$here/atspi_latency.py" "$samples"
