#!/usr/bin/env bash
# The long fuzz run: every target until 10 million executions or the time cap,
# two at a time, at the lowest priority (the machine is shared). Prints one
# line per target and keeps the logs, the grown corpora, any finding and the
# resident memory sampled every 30 s under build/fuzz/long/.
#
#   bash scripts/fuzz-long.sh [minutes per target, default 30] [target...]
#   FUZZ_MEMORY=1 bash scripts/fuzz-long.sh 5 schedule
#       runs the target three times side by side instead, for the memory
#       question: the sanitizer's defaults, the build's own settings, and no
#       quarantine at all; same input count, resident size sampled.
set -uo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
runs=${FUZZ_RUNS:-10000000}
out=build/fuzz/long
mkdir -p "$out"
cmake --preset fuzz >/dev/null && nice -n 19 cmake --build --preset fuzz -j2 >/dev/null || exit 1

# Samples VmRSS (MiB) of a process every 30 s until it ends.
sample_rss() {  # pid file
  local rss
  while kill -0 "$1" 2>/dev/null; do
    rss=$(awk '/VmRSS/ {print int($2 / 1024)}' "/proc/$1/status" 2>/dev/null) && echo "$(date +%s) $rss" >>"$2"
    sleep 30
  done
}

run_one() {  # target name asan-options
  local target=$1 name=$2 corpus="$out/corpus-$2" max_len=4096
  [ "$target" = hive ] && max_len=16384  # a hive's bins come in 4,096-byte blocks
  rm -rf "$corpus" "$out/$name.rss" && mkdir -p "$corpus" "$out/findings-$name"
  cp fuzz/corpus/"$target"/* "$corpus"/
  ASAN_OPTIONS=$3 nice -n 19 ./build/fuzz/fuzz/fuzz_"$target" -runs="$runs" -max_total_time=$((minutes * 60)) \
    -max_len=$max_len -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$out/findings-$name/" \
    "$corpus" >"$out/$name.log" 2>&1 &
  local pid=$!
  sample_rss "$pid" "$out/$name.rss" &
  wait "$pid"
}

report() {  # name
  local log="$out/$1.log"
  local execs rate cov peak first last findings
  execs=$(awk '/number_of_executed_units/ {print $2}' "$log")
  rate=$(awk '/average_exec_per_sec/ {print $2}' "$log")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1)
  peak=$(awk '/peak_rss_mb/ {print $2}' "$log")
  first=$(awk 'NR == 3 {print $2}' "$out/$1.rss" 2>/dev/null)
  last=$(tail -n 1 "$out/$1.rss" 2>/dev/null | awk '{print $2}')
  findings=$(find "$out/findings-$1" -type f | wc -l)
  printf '%-22s %12s %8s  %-34s %6s MiB (RSS at 1 min %s, at end %s)  findings %s\n' \
    "$1" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${peak:-?}" "${first:-?}" "${last:-?}" "$findings"
}

printf '%-22s %12s %8s  %-34s %s\n' target executions exec/s coverage "peak RSS"
if [ "${FUZZ_MEMORY:-0}" = 1 ]; then
  for target in "${targets[@]}"; do
    # The sanitizer's own defaults (256 MiB quarantine, allocation stacks),
    # the build's settings, and none of the quarantine.
    run_one "$target" "$target-asan-defaults" "quarantine_size_mb=256:malloc_context_size=30:max_malloc_fill_size=4096" &
    run_one "$target" "$target-build" "" &
    run_one "$target" "$target-no-quarantine" "quarantine_size_mb=0:malloc_context_size=0:max_malloc_fill_size=0" &
    wait
    for name in asan-defaults build no-quarantine; do report "$target-$name"; done
  done
  exit 0
fi

status=0
# Two slots: the next target starts as soon as either ends, so a fast target
# does not leave a core idle while its partner runs out its time.
running=0
for target in "${targets[@]}"; do
  if [ $running -ge 2 ]; then wait -n; running=$((running - 1)); fi
  run_one "$target" "$target" "" &
  running=$((running + 1))
done
wait
for target in "${targets[@]}"; do report "$target"; done
for target in "${targets[@]}"; do
  [ -z "$(find "$out/findings-$target" -type f)" ] || status=1
done
exit $status
