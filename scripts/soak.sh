#!/usr/bin/env bash
# The soak: the tray shell's Win32 code through many cycles of menu, tooltip,
# tray picture, Schedule dialog and About box in one process under Wine, with
# every menu, icon, font, brush and window counted and the private memory
# compared. Not part of the test command: 10,000 cycles took 40 minutes
# under Wine (each Schedule dialog alone a quarter of a second).
#
#   bash scripts/soak.sh [cycles, default 10000]
# SOAK_PRESET=win32 uses the 32-bit build (needs a kernel that runs 32-bit
# programs); the default is win64.
set -uo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-10000}
preset=${SOAK_PRESET:-win64}
wine=wine64
[ "$preset" = win32 ] && wine=wine
cmake --preset "$preset" >/dev/null && nice -n 10 cmake --build --preset "$preset" -j2 --target soak_test >/dev/null || exit 1
mkdir -p build/soak
# Wine's tray inside a virtual desktop: on a bare X server each new tray picture
# waits seconds for a dock that never comes.
bash scripts/wine-run.sh --wine="$wine" explorer /desktop=soak,800x600 \
  "build/$preset/bench/soak/soak_test.exe" "$cycles" 2>&1 | tee "build/soak/soak-$preset-$cycles.log"
# explorer does not hand on the program's exit code: the verdict line does.
grep -qx '1 passed, 0 failed' "build/soak/soak-$preset-$cycles.log"
