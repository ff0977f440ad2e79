#!/usr/bin/env bash
# Makes docs/installer.png, the README's picture of the setup program: its
# options page, in a virtual X display under Wine.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-docs/installer.png}
work=$(mktemp -d)
# The 64-bit build of the same script where Wine runs no 32-bit programs.
target=x86-ansi
wine --version >/dev/null 2>&1 || target=amd64-unicode
bash installer/build.sh build/win32/vorlane.exe build/win64/vorlane.exe "$work" "$target" >/dev/null || exit 1

for n in $(seq 130 160); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
bash scripts/wine-run.sh --wine=wine64 "$work"/vorlane-*-setup.exe >/dev/null 2>&1 &
setup=$!
trap 'kill $setup 2>/dev/null; wait $setup 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

window=
for _ in $(seq 90); do
  window=$(xdotool search --name "Vorlane Setup" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || { echo "the setup program did not show" >&2; exit 1; }
sleep 2
xdotool key --window "$window" Return   # Welcome -> options
sleep 2
import -display "$DISPLAY" -window "$window" "$out" && echo "wrote $out"
