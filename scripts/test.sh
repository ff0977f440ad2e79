#!/usr/bin/env bash
# Builds Vorlane and runs every test: the portable core on the fake platform
# (with AddressSanitizer and UBSan), every fuzz target for a bounded time, and both
# Windows builds under Wine (the same core suite on the real registry and file
# system, the Win32 layer, and the program end to end). Installs what is
# missing first.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh || exit 1

FUZZ_SECONDS=${FUZZ_SECONDS:-10}  # per target; nine targets (scripts/fuzz-long.sh runs them for hours)
passed=0
failed=0
failed_names=()

step() {  # name, command...
  local name=$1; shift
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failed_names+=("$name")
  fi
}

build() {  # preset
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

suite() {  # preset
  build "$1" && ctest --preset "$1"
}

fuzz() {  # each target for FUZZ_SECONDS on a copy of its seed corpus
  build fuzz || return 1
  local target work max_len status=0
  for target in fuzz/corpus/*/; do
    target=$(basename "$target")
    work=build/fuzz/corpus-work/$target
    rm -rf "$work" && mkdir -p "$work" && cp fuzz/corpus/"$target"/* "$work"/
    echo "--- fuzz_$target"
    max_len=4096
    [ "$target" = hive ] && max_len=16384  # a hive's bins come in 4,096-byte blocks
    ./build/fuzz/fuzz/fuzz_"$target" -max_total_time="$FUZZ_SECONDS" -max_len=$max_len -timeout=10 \
      -print_final_stats=1 -artifact_prefix=build/fuzz/ "$work" >build/fuzz/"$target".log 2>&1 ||
      { status=1; tail -n 40 build/fuzz/"$target".log; }
    grep -E 'DONE|average_exec_per_sec' build/fuzz/"$target".log
  done
  return $status
}

step native suite native
step fuzz fuzz
step win32 suite win32
step win64 suite win64
# The setup program, built from the two exes above, installed and removed under Wine.
step installer bash tests/installer/installer_test.sh

[ $failed -eq 0 ] || echo "failed: ${failed_names[*]}"
echo "suites: $passed passed, $failed failed"
[ $failed -eq 0 ]
