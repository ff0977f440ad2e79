#!/usr/bin/env bash
# Tries Vorlane safely: builds it when needed, makes a throwaway Wine prefix
# with the sample BOOT.INI (three systems, 30-second menu, read-only, hidden
# and system), first texts for the settings, an empty VORLANE.INI and the
# power dry run on, and starts Vorlane in tray mode in a Wine desktop. With no
# display it runs in Xvfb and writes a screenshot. Ctrl-C stops it all.
#
#   VORLANE_RUN_SECONDS=N   stop by itself after N seconds (for scripts)
#   VORLANE_RUN_BCD=1       also a Windows Boot Manager store, Windows 7 beside
#                           XP (scripts/sample/BCD-xp-and-7.reg); Wine reports
#                           Windows 7, so Vorlane reads it
#   VORLANE_RUN_BCD=xp      Wine reports XP, and C:\Boot\BCD is that store as
#                           a file (made by fuzz/make_hive_seeds.py with hivex)
#   VORLANE_RUN_BCD=pending as =1, with a one-time start of "Earlier Version of
#                           Windows" left pending, as a refused restart leaves it
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

bash scripts/bootstrap.sh || exit 1
# The 32-bit program where this machine runs 32-bit code, else the 64-bit one
# under Wine's 64-bit loader (some hosts run 64-bit user code only).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  preset=win32 wine=wine
else
  preset=win64 wine=/usr/lib/wine/wine64
  echo "This machine runs no 32-bit programs: trying the 64-bit build."
fi
exe=build/$preset/vorlane.exe
if [ ! -f "$exe" ]; then
  cmake --preset $preset >/dev/null && cmake --build --preset $preset --target vorlane || exit 1
fi

demo="$top/build/demo"
prefix="$demo/prefix"
rm -rf "$demo" && mkdir -p "$demo"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""

stop() {
  trap - INT TERM EXIT
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  echo "Vorlane stopped."
}
trap 'stop; exit 0' INT TERM
trap stop EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  sleep 1
  headless=1
else
  headless=0
fi

# Made before Wine starts: a step this long between two Wine commands can
# meet the Wine server as it ends, and the desktop then never draws.
if [ "${VORLANE_RUN_BCD:-0}" = xp ]; then
  python3 fuzz/make_hive_seeds.py --store xp-and-7-ntldr-default "$demo/BCD" || exit 1
fi
echo "Preparing a Wine prefix in $prefix ..."
"$wine" wineboot --init >/dev/null 2>&1
drive_c="$prefix/drive_c"
cp scripts/sample/BOOT.INI "$drive_c/BOOT.INI"
: > "$drive_c/VORLANE.INI"
cp "$exe" "$drive_c/vorlane.exe"
"$wine" regedit /S 'Z:'"$(echo "$top/scripts/vorlane-settings.reg" | tr / '\\')" >/dev/null 2>&1
"$wine" cmd /c attrib +r +h +s 'C:\BOOT.INI' >/dev/null 2>&1
if [ "${VORLANE_RUN_BCD:-0}" = xp ]; then
  mkdir -p "$drive_c/Boot" && cp "$demo/BCD" "$drive_c/Boot/BCD"
  # For Vorlane only: Wine's own desktop need not pretend.
  "$wine" reg add 'HKCU\Software\Wine\AppDefaults\vorlane.exe' /v Version /d winxp /f >/dev/null 2>&1
elif [ "${VORLANE_RUN_BCD:-0}" = 1 ] || [ "${VORLANE_RUN_BCD:-0}" = pending ]; then
  "$wine" regedit /S 'Z:'"$(echo "$top/scripts/sample/BCD-xp-and-7.reg" | tr / '\\')" >/dev/null 2>&1
  if [ "${VORLANE_RUN_BCD:-0}" = pending ]; then
    "$wine" reg add 'HKLM\BCD00000000\Objects\{9dea862c-5cdd-4e70-acc1-f32b344d4795}\Elements\24000002' \
      /v Element /t REG_MULTI_SZ /d '{466f5a88-0af2-4f76-9038-095b170dc21c}' /f >/dev/null 2>&1
  fi
fi
export VORLANE_POWER_LOG='C:\vorlane-power.log'

cat <<TXT
BOOT.INI:     $drive_c/BOOT.INI
VORLANE.INI:  $drive_c/VORLANE.INI
Power log:    $drive_c/vorlane-power.log  (restart, shut down, stand-by and
              hibernate are written here instead of being carried out)
Right-click the tray icon in the Wine desktop's taskbar. Ctrl-C stops.
TXT

"$wine" explorer /desktop=Vorlane,1024x768 'C:\vorlane.exe' >/dev/null 2>&1 &

if [ "$headless" = 1 ]; then
  sleep 8
  shot="$demo/screenshot.png"
  import -display "$DISPLAY" -window root "$shot" 2>/dev/null && echo "Screenshot:   $shot"
fi

if [ -n "${VORLANE_RUN_SECONDS:-}" ]; then
  sleep "$VORLANE_RUN_SECONDS"
else
  wait
fi
