#!/usr/bin/env bash
# Fails when a Windows executable would not load on the oldest systems it is
# built for: a DLL outside the ones every Windows 2000/XP has, a function that
# appeared later (mostly dragged in by compiler runtimes), or a PE header that
# asks for a newer subsystem or OS version than 5.1 (32-bit) / 5.2 (64-bit).
#
#   check-imports.sh program.exe [objdump] [expected-version]
#
# objdump defaults to the mingw one matching nothing in particular ("objdump");
# expected-version (e.g. 5.1) defaults to 5.1 for PE32 and 5.2 for PE32+.
# Prints every import, then one line per offence.
set -u

exe=${1:?usage: check-imports.sh program.exe [objdump] [expected-version]}
objdump=${2:-objdump}
expected=${3:-}

[ -f "$exe" ] || { echo "check-imports: no such file: $exe" >&2; exit 2; }
dump=$("$objdump" -p "$exe") || { echo "check-imports: $objdump -p failed on $exe" >&2; exit 2; }

# DLLs present on every supported system (compared in lower case).
allowed_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comctl32.dll ole32.dll msvcrt.dll comdlg32.dll shlwapi.dll "

# Functions newer than Windows XP that mingw-w64 runtimes and libstdc++ are
# known to import. Shell-style patterns.
post_xp=(
    GetTickCount64 InitializeSRWLock 'AcquireSRWLock*' 'ReleaseSRWLock*' 'TryAcquireSRWLock*'
    InitializeConditionVariable 'SleepConditionVariable*' WakeConditionVariable WakeAllConditionVariable
    'InitOnce*' CreateEventExA CreateEventExW CreateMutexExA CreateMutexExW CreateSemaphoreExW
    GetSystemTimePreciseAsFileTime FlsAlloc FlsGetValue FlsSetValue FlsFree
    GetFileInformationByHandleEx SetFileInformationByHandle CompareStringEx LCMapStringEx
    GetLocaleInfoEx GetUserDefaultLocaleName LocaleNameToLCID LCIDToLocaleName ResolveLocaleName
    IsValidLocaleName GetCurrentProcessorNumber GetFinalPathNameByHandleA GetFinalPathNameByHandleW
    CreateSymbolicLinkA CreateSymbolicLinkW RegGetValueA RegGetValueW RegDeleteKeyExA RegDeleteKeyExW
    InitializeCriticalSectionEx GetErrorMode 'Wow64*' QueryFullProcessImageNameA
    QueryFullProcessImageNameW GetNamedPipeClientProcessId 'K32*' AddDllDirectory
    SetDefaultDllDirectories RemoveDllDirectory CancelIoEx GetQueuedCompletionStatusEx
    SetThreadErrorMode GetThreadErrorMode GetThreadId GetProcessIdOfThread '*Ex2' '*Ex2A' '*Ex2W'
    # msvcrt.dll of XP has none of the "secure" or per-locale variants, and
    # lacks these Visual C++ 2005 additions.
    '*_s' '_*_l' _set_invalid_parameter_handler _get_invalid_parameter_handler _get_errno _set_errno
    _fseeki64 _ftelli64 _aligned_msize _get_output_format
)
# Functions of Windows XP (some only of a service pack) that Windows 2000 lacks;
# the 32-bit build must still load there.
post_2000=(
    EncodePointer DecodePointer EncodeSystemPointer DecodeSystemPointer
    AddVectoredExceptionHandler RemoveVectoredExceptionHandler
    AddVectoredContinueHandler RemoveVectoredContinueHandler
    GetModuleHandleExA GetModuleHandleExW InitializeSListHead InterlockedPushEntrySList
    InterlockedPopEntrySList InterlockedFlushSList QueryDepthSList GetNativeSystemInfo GetSystemTimes
    AttachConsole GetProcessId IsWow64Process GetSystemWow64DirectoryA GetSystemWow64DirectoryW
    SetDllDirectoryA SetDllDirectoryW GetDllDirectoryA GetDllDirectoryW GetLogicalProcessorInformation
    CheckRemoteDebuggerPresent DebugActiveProcessStop GetProcessHandleCount HeapSetInformation
    HeapQueryInformation ActivateActCtx DeactivateActCtx CreateActCtxA CreateActCtxW ReleaseActCtx
    GetCurrentActCtx SetThreadStackGuarantee
)

offences=0
offend() { echo "check-imports: $exe: $*"; offences=$((offences + 1)); }

# PE header versions.
magic=$(printf '%s\n' "$dump" | awk '$1 == "Magic" {print $2; exit}')
case "$magic" in
    010b) default_expected=5.1 ;;
    020b) default_expected=5.2 ;;
    *) offend "not a PE32/PE32+ image (Magic '$magic')"; default_expected=5.1 ;;
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

while read -r kind dll name; do
    [ -n "$kind" ] || continue
    lower_dll=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
    case "$kind" in
        DLL)
            echo "$dll"
            case "$allowed_dlls" in
                *" $lower_dll "*) ;;
                *) offend "imports $dll, which is not part of every Windows" ;;
            esac
            ;;
        ORD)
            echo "    #$name (by ordinal)"
            ;;
        FN)
            echo "    $name"
            for pattern in "${post_xp[@]}"; do
                # shellcheck disable=SC2254
                case "$name" in $pattern) offend "imports $dll!$name, which is newer than Windows XP" ;; esac
            done
            [ "$magic" = 010b ] || continue  # 64-bit Windows starts with XP x64
            for pattern in "${post_2000[@]}"; do
                # shellcheck disable=SC2254
                case "$name" in $pattern) offend "imports $dll!$name, which Windows 2000 lacks" ;; esac
            done
            ;;
    esac
done <<<"$imports"

if [ "$offences" -gt 0 ]; then
    echo "check-imports: $exe: $offences offence(s)"
    exit 1
fi
echo "check-imports: $exe: ok (PE version $subsystem)"
