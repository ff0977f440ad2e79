#!/usr/bin/env bash
# Fails when a 32-bit Windows executable holds more instructions newer than
# the Pentium (P5) than it is allowed: CMOV and the FCOMI family of the
# Pentium Pro, SYSENTER of the Pentium II, MMX and SSE registers, the long NOP.
#
#   check-cpu.sh program.exe objdump allowed-count
#
# Our code is built with -march=pentium. The allowance is for the start-up
# code of Debian's mingw-w64 runtime (crt2.o and libmingw32), which is built
# for the Pentium Pro and runs at every start: that sets the floor.
set -u

exe=${1:?usage: check-cpu.sh program.exe objdump allowed-count}
objdump=${2:?}
allowed=${3:?}

listing=$("$objdump" -d --no-show-raw-insn "$exe") || { echo "check-cpu: $objdump -d failed on $exe" >&2; exit 2; }
# A change in objdump's layout must not make this check pass by seeing nothing.
printf '%s\n' "$listing" | grep -qE $'^ +[0-9a-f]+:\tmov' || { echo "check-cpu: no instructions found in $exe"; exit 1; }

newer=$(printf '%s\n' "$listing" |
    grep -E $'^ +[0-9a-f]+:\t(cmov|fcmov|f(u)?comip? |f(u)?comip?$|sysenter|sysexit|rdpmc|nop[wl]|fxsave|fxrstor|[ls]dmxcsr|prefetch|[lsm]fence|clflush|movnt|emms)|%x?mm[0-9]')
count=$(printf '%s' "$newer" | grep -c .)
printf '%s\n' "$newer" | head -n 20
if [ "$count" -gt "$allowed" ]; then
    echo "check-cpu: $exe: $count instructions newer than the Pentium, $allowed allowed"
    exit 1
fi
echo "check-cpu: $exe: ok ($count instructions newer than the Pentium, all in the runtime's start-up code)"
