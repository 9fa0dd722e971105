#!/usr/bin/env bash
# Builds Vistrel and starts it from the build tree's program folder.
# Without a display, starts a virtual one (Xvfb with a tray host), leaves Vistrel running
# there and writes a screenshot of the desktop to the path it prints.
# Usage: scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh run
# The program alone: the tests are built by scripts/test.sh, which installs what they need.
cmake --preset default -DVISTREL_TESTS=OFF
cmake --build --preset default -j "$(nproc)"

exe="$root/build/default/program/Vistrel"
[ -x "$exe" ] || { echo "Vistrel was not built: $exe is missing" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting Vistrel on display $DISPLAY; its icon is in the notification area."
  nohup "$exe" >/dev/null 2>&1 &
  echo "Vistrel runs as process $!."
  exit 0
fi

# No display: a virtual desktop with a tray host.
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "No free X display number found" >&2; exit 1; }
nohup Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/tmp/vistrel-xvfb.log 2>&1 &
export DISPLAY="$display"
for _ in $(seq 1 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
nohup trayer --edge bottom --align right --widthtype request --height 24 \
  --SetDockType true --transparent false --tint 0x303030 >/tmp/vistrel-trayer.log 2>&1 &
sleep 1
nohup "$exe" >/tmp/vistrel-run.log 2>&1 &
pid=$!
# Wait until the icon has docked: the tray host's window then grows a child.
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || { echo "Vistrel exited; see /tmp/vistrel-run.log" >&2; exit 1; }
  if xwininfo -root -tree 2>/dev/null | grep -q '"Vistrel": ("Vistrel" "Vistrel")'; then break; fi
  sleep 0.1
done
sleep 1
shot=/tmp/vistrel-desktop.png
import -window root "$shot"
echo "Vistrel runs as process $pid on the virtual display $DISPLAY."
echo "Screenshot of the desktop with its icon: $shot"
echo "Use it with: DISPLAY=$DISPLAY xdotool ...   Stop it with: kill $pid"
