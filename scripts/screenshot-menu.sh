#!/usr/bin/env bash
# Makes docs/menu.png, the README's picture: Vorlane started by scripts/run.sh
# on the sample BOOT.INI in a virtual X display, its tray icon right-clicked,
# and the open menu captured.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/bootstrap.sh || exit 1
out=${1:-docs/menu.png}
mkdir -p "$(dirname "$out")"

for n in $(seq 130 160); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
log=$(mktemp)
VORLANE_RUN_SECONDS=60 bash scripts/run.sh >"$log" 2>&1 &
runner=$!
trap 'rm -f "$log"; kill $runner 2>/dev/null; wait $runner 2>/dev/null; kill $xvfb 2>/dev/null' EXIT

# run.sh says so once Vorlane is starting; give the desktop time to draw.
for _ in $(seq 120); do grep -q "Right-click" "$log" && break; sleep 1; done
sleep 6
# The notification area sits at the right end of the Wine desktop's taskbar.
xdotool mousemove 1013 757 click 3
sleep 2
import -display "$DISPLAY" -window root -crop 460x320+564+448 +repage "$out" && echo "wrote $out"
