#!/usr/bin/env bash
# Fails when a Windows executable would not load on the oldest systems it is
# built for: an import that scripts/allowed-imports.txt does not list, or lists
# as newer than the executable's floor (mostly what compiler runtimes drag in),
# a DLL that no line of the list names, or a PE header that asks for another
# subsystem or OS version than expected.
#
#   check-imports.sh program.exe [objdump] [expected-version] [floor]
#
# expected-version (e.g. 4.0) defaults to 4.0 for PE32 and 5.2 for PE32+.
# floor is "product" (the default: 98 and NT 4.0 for PE32, NT 5.2 for PE32+)
# or "test" (NT 5.1 for PE32, 5.2 for PE32+; test programs only run under Wine).
# Prints every import, then one line per offence.
set -u

exe=${1:?usage: check-imports.sh program.exe [objdump] [expected-version] [floor]}
objdump=${2:-objdump}
expected=${3:-}
floor=${4:-product}
list="$(dirname "$0")/allowed-imports.txt"

[ -f "$exe" ] || { echo "check-imports: no such file: $exe" >&2; exit 2; }
[ -f "$list" ] || { echo "check-imports: no list: $list" >&2; exit 2; }
dump=$("$objdump" -p "$exe") || { echo "check-imports: $objdump -p failed on $exe" >&2; exit 2; }

offences=0
offend() { echo "check-imports: $exe: $*"; offences=$((offences + 1)); }

# PE header versions.
magic=$(printf '%s\n' "$dump" | awk '$1 == "Magic" {print $2; exit}')
case "$magic" in
    010b) default_expected=4.0; need_9x=98; nt_max=4.0; [ "$floor" = test ] && { need_9x=; nt_max=5.1; } ;;
    020b) default_expected=5.2; need_9x=; nt_max=5.2 ;;
    *) offend "not a PE32/PE32+ image (Magic '$magic')"; default_expected=4.0; need_9x=98; nt_max=4.0 ;;
esac
[ -n "$expected" ] || expected=$default_expected
header() { printf '%s\n' "$dump" | awk -v k="$1" '$1 == k {print $2; exit}'; }
subsystem="$(header MajorSubsystemVersion).$(header MinorSubsystemVersion)"
os="$(header MajorOSystemVersion).$(header MinorOSystemVersion)"
[ "$subsystem" = "$expected" ] || offend "subsystem version $subsystem, expected $expected"
[ "$os" = "$expected" ] || offend "OS version $os, expected $expected"

# Imports: "DLL Name: X" starts a block; its function lines are
# "<tab>vma<tab>  hint  name". Delay-loaded DLLs are listed the same way.
imports=$(printf '%s\n' "$dump" | awk '
    /^[ \t]*DLL Name:/ { dll = $3; print "DLL " dll; next }
    /^[ \t]*$/ { dll = ""; next }
    dll != "" && /^\t[0-9a-fA-F]+\t/ {
        if (NF >= 3) print "FN " dll " " $3; else print "ORD " dll " " $2
    }')

[ -n "$imports" ] || offend "no import table found"
# A change in objdump's layout must not make this check pass by seeing nothing.
printf '%s\n' "$imports" | grep -q '^FN ' || offend "no imported function names found in objdump's output"

# The list as "dll function 9x nt" lines, DLL names in lower case.
declare -A since_9x since_nt known_dll
while read -r dll name nine nt _; do
    case "$dll" in ''|'#'*) continue ;; esac
    dll=${dll,,}
    since_9x["$dll!$name"]=$nine
    since_nt["$dll!$name"]=$nt
    known_dll["$dll"]=1
done <"$list"

# Whether NT version $1 is at most $2 (both as in the list: 3.1 ... 5.2).
nt_at_most() { [ "$1" != - ] && awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 <= b + 0) }'; }

while read -r kind dll name; do
    [ -n "$kind" ] || continue
    lower_dll=${dll,,}
    case "$kind" in
        DLL)
            echo "$dll"
            [ -n "${known_dll[$lower_dll]:-}" ] || offend "imports $dll, which is not part of every Windows"
            ;;
        ORD)
            echo "    #$name (by ordinal)"
            offend "imports $dll by ordinal $name, which the list cannot vouch for"
            ;;
        FN)
            echo "    $name"
            key="$lower_dll!$name"
            if [ -z "${since_nt[$key]:-}" ]; then
                offend "imports $dll!$name, which scripts/allowed-imports.txt does not list"
                continue
            fi
            case "$need_9x:${since_9x[$key]}" in
                98:95 | 98:98 | :*) ;;
                *) offend "imports $dll!$name, which Windows 98 lacks" ;;
            esac
            nt_at_most "${since_nt[$key]}" "$nt_max" ||
                offend "imports $dll!$name, which Windows NT $nt_max lacks (from ${since_nt[$key]})"
            ;;
    esac
done <<<"$imports"

if [ "$offences" -gt 0 ]; then
    echo "check-imports: $exe: $offences offence(s)"
    exit 1
fi
echo "check-imports: $exe: ok (PE version $subsystem, floor: ${need_9x:+$need_9x and }NT $nt_max)"
