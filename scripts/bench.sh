#!/usr/bin/env bash
# Benchmarks, side by side with the smallest programs that do the same job,
# each figure the median of alternating pairs in one Wine prefix and server,
# printed as a table with its goal; and the core on BOOT.INI files of 1 to
# 1,000 entries as a table and a picture (build/bench/bootini-growth.png).
# Not part of the test command: the idle measurement alone takes about 25
# minutes (15 pairs of 60 s, plus start and settling).
#
#   bash scripts/bench.sh            all of it
#   BENCH_PAIRS=15 BENCH_IDLE_SECONDS=60 BENCH_SKIP_IDLE=1   to shorten;
#   BENCH_SKIP_STARTS=1 keeps the start-up figures of the last run
# The Wine figures use the 32-bit build where this machine runs 32-bit
# programs, else the 64-bit one (BENCH_PRESET=win32|win64 to choose). Wine
# reports Windows 7, so Vorlane also reads a Boot Manager store, of
# BENCH_BCD_ENTRIES entries (10 unless set; 0 for none).
set -uo pipefail
export BENCH_BCD_ENTRIES=${BENCH_BCD_ENTRIES:-10}
cd "$(dirname "$0")/.."

pairs=${BENCH_PAIRS:-15}
idle_seconds=${BENCH_IDLE_SECONDS:-60}
out=build/bench
mkdir -p "$out/wine"
command -v gnuplot >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gnuplot-nox >/dev/null

preset=${BENCH_PRESET:-}
if [ -z "$preset" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then preset=win32; else preset=win64; fi
fi
if [ "$preset" = win32 ]; then wine=wine cc=i686-w64-mingw32-gcc-win32; else wine=wine64 cc=x86_64-w64-mingw32-gcc-win32; fi

build() {
  cmake --preset win32 >/dev/null && nice -n 10 cmake --build --preset win32 -j2 --target vorlane >/dev/null || return 1
  cmake --preset "$preset" >/dev/null && nice -n 10 cmake --build --preset "$preset" -j2 --target vorlane >/dev/null || return 1
  # The core without sanitizers, optimised as the product is.
  cmake -S . -B "$out/native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null &&
    nice -n 10 cmake --build "$out/native" -j2 --target bootini_bench >/dev/null || return 1
  local libs="-lcomctl32 -lole32 -lshell32 -lgdi32 -ladvapi32 -lpsapi"
  $cc -O2 -o "$out/wine/baseline_quit.exe" bench/baseline_quit.c $libs &&
    $cc -O2 -mwindows -o "$out/wine/baseline_tray.exe" bench/baseline_tray.c $libs &&
    $cc -O2 -o "$out/wine/launch.exe" bench/launch.c $libs || return 1
  cp "build/$preset/vorlane.exe" "$out/wine/vorlane.exe"
}
build || { echo "bench.sh: build failed" >&2; exit 1; }
w=$(cd "$out/wine" && pwd)

# Median of column $1 of file $2 (and of the ratio of columns $1 / $3 with -r).
median() { python3 -c "
import statistics, sys
rows = [list(map(float, l.split())) for l in open(sys.argv[2]) if l.strip()]
a, b = int(sys.argv[1]), int(sys.argv[3]) if len(sys.argv) > 3 else None
print('%.2f' % statistics.median(r[a] / r[b] if b is not None else r[a] for r in rows))" "$@"; }

rows=()
row() { rows+=("$(printf '%-44s %14s %14s %8s   %s' "$@")"); }

echo "Wine: $($wine --version 2>/dev/null || /usr/lib/wine/$wine --version), build: $preset; $pairs pairs each" >&2

# Start to end of -q, against a program that loads the same DLLs and ends.
[ "${BENCH_SKIP_STARTS:-0}" = 1 ] || bash scripts/wine-run.sh --wine=$wine "$w/launch.exe" quit "$pairs" "$w/vorlane.exe" "$w/baseline_quit.exe" \
  >"$out/quit.txt" 2>"$out/quit.err"
row "vorlane.exe -q, ms" "$(median 0 "$out/quit.txt")" "$(median 1 "$out/quit.txt")" \
    "$(median 0 "$out/quit.txt" 1)x" "<= 1.10x"

# Start to the tray icon, and the private memory 2 s later, against the smallest tray program.
[ "${BENCH_SKIP_STARTS:-0}" = 1 ] || bash scripts/wine-run.sh --wine=$wine explorer /desktop=bench,800x600 "$w/launch.exe" tray "$pairs" \
  "$w/vorlane.exe" "$w/baseline_tray.exe" >"$out/tray.txt" 2>"$out/tray.err"
row "start to tray icon, ms" "$(median 0 "$out/tray.txt")" "$(median 1 "$out/tray.txt")" \
    "$(median 0 "$out/tray.txt" 1)x" "<= 1.2x"
row "private memory of the idle tray, KiB" "$(median 2 "$out/tray.txt")" "$(median 3 "$out/tray.txt")" \
    "$(median 2 "$out/tray.txt" 3)x" "(compared)"

# The Linux processes of prefix $1: the one whose argv[0] ends in $2, and the
# prefix's wineserver; prints nothing while the first is not there.
find_pids() {
  local prefix=$1 exe=$2 found= pids= pid name
  for pid in $(pgrep -f "$exe|wineserver"); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
    name=$({ tr '\0' '\n' <"/proc/$pid/cmdline"; } 2>/dev/null | head -n 1 | tr '\\' '/' | tr 'A-Z' 'a-z')
    case "$name" in
      *"/$exe") found=1 pids="$pids $pid" ;;
      *wineserver*) pids="$pids $pid" ;;
    esac
  done
  [ -n "$found" ] && echo "$pids"
}

# CPU time (ms, from the scheduler's nanosecond counts of every thread) of these processes.
cpu_ms() {
  local pid total=0
  for pid in "$@"; do
    total=$((total + $(cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {print ns + 0}')))
  done
  python3 -c "print('%.1f' % ($total / 1e6))"
}

# Idle CPU: both side by side in the same minute, each in a prefix of its own,
# so that each wineserver serves one of them; which starts first alternates.
idle_pair() {
  local keep=$PWD/$out/idle-prefixes a
  mkdir -p "$keep"
  # One X server for both (two "xvfb-run -a" at once can pick the same display).
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
    VORLANE_WINE_CACHE=$keep/a bash scripts/wine-run.sh --wine=$wine explorer /desktop=a,800x600 '$w/launch.exe' hold \
      $((idle_seconds + 30)) '$w/vorlane.exe' &
    VORLANE_WINE_CACHE=$keep/b bash scripts/wine-run.sh --wine=$wine explorer /desktop=b,800x600 '$w/launch.exe' hold \
      $((idle_seconds + 30)) '$w/baseline_tray.exe' idle &
    wait" >>"$out/idle.err" 2>&1 &
  a=$!
  # Until both run (the first pair also makes each cache's prefix template), then settle.
  local pa pb va= vb= tries
  for ((tries = 0; tries < 600; tries++)); do
    pa=$(ls -d "$keep"/a/run.*/prefix 2>/dev/null | head -n 1)
    pb=$(ls -d "$keep"/b/run.*/prefix 2>/dev/null | head -n 1)
    [ -n "$pa" ] && va=$(find_pids "$pa" vorlane.exe)
    [ -n "$pb" ] && vb=$(find_pids "$pb" baseline_tray.exe)
    [ -n "$va" ] && [ -n "$vb" ] && break
    sleep 0.5
  done
  sleep 5
  local v0 b0 v1 b1
  v0=$(cpu_ms $va) b0=$(cpu_ms $vb)
  sleep "$idle_seconds"
  v1=$(cpu_ms $va) b1=$(cpu_ms $vb)
  wait $a
  python3 -c "print('%.1f %.1f' % ($v1 - $v0, $b1 - $b0))"
}
if [ "${BENCH_SKIP_IDLE:-0}" != 1 ]; then
: >"$out/idle.txt" && : >"$out/idle.err"
  for ((i = 0; i < pairs; i++)); do idle_pair >>"$out/idle.txt"; done
  row "idle CPU over ${idle_seconds} s (+ wineserver), ms" "$(median 0 "$out/idle.txt")" \
      "$(median 1 "$out/idle.txt")" "$(median 0 "$out/idle.txt" 1)x" "<= 1.2x"
fi

size=$(stat -c %s build/win32/vorlane.exe)
row "32-bit vorlane.exe, KiB" "$((size / 1024))" "128" "$(python3 -c "print('%.2fx' % ($size / 131072))")" "<= 128 KiB"

printf '%-44s %14s %14s %8s   %s\n' "" "Vorlane" "baseline" "ratio" "goal"
printf '%s\n' "${rows[@]}"

# The core alone (best of 15 runs per cell; glibc told not to hand memory back
# to the system between runs, which otherwise costs page faults that grow with
# the file and would be timed as the core's).
echo
MALLOC_TRIM_THRESHOLD_=268435456 MALLOC_MMAP_THRESHOLD_=268435456 nice -n 5 "$out/native/bench/bootini_bench" \
  | tee "$out/bootini.txt"
core=${PIPESTATUS[0]}
awk 'NR > 1 && $1 ~ /^[0-9]+$/' "$out/bootini.txt" >"$out/bootini.dat"
gnuplot <<PLOT
set terminal pngcairo size 800,500
set output '$out/bootini-growth.png'
set title 'Vorlane core on BOOT.INI files of 1 to 1,000 entries'
set xlabel 'entries'; set ylabel 'microseconds'
set logscale xy; set key top left; set grid
plot '$out/bootini.dat' using 1:2 with linespoints title 'load', \
     '' using 1:3 with linespoints title 'sort', \
     '' using 1:4 with linespoints title 'set default', \
     '' using 1:5 with linespoints title 'restore', \
     '' using 1:(\$1 * log(\$1 + 1) * 0.1) with lines dashtype 2 title 'n log n (scaled)'
PLOT
echo "picture: $out/bootini-growth.png"
exit "$core"
