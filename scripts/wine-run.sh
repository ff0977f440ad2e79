#!/usr/bin/env bash
# Runs one Windows program under Wine in a throwaway prefix and exits with the
# program's exit code. Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs
# each test .exe in a clean world (registry, %TEMP%) that no other run sees.
#
#   wine-run.sh [--wine=NAME] program.exe [arguments...]
#
# NAME is the loader asked for by the toolchain file: "wine" (32-bit) or
# "wine64". Debian installs only /usr/bin/wine (a script that picks the 32-bit
# loader, which hands 64-bit programs to the 64-bit one) and keeps the real
# loaders in /usr/lib/wine/, so a missing NAME falls back to those.
#
# The prefix is made once with `wineboot --init` (slow: ~15 s) as a template
# under $VORLANE_WINE_CACHE (default ${XDG_CACHE_HOME:-$HOME/.cache}/vorlane-wine),
# one per Wine version, under a lock. Each run copies it next to the template
# with hard links for the big system DLLs and real copies for everything else,
# which takes a fraction of a second instead of copying 1.3 GB.
#
# A 32-bit program on a machine that cannot run 32-bit code (a 64-bit kernel
# without IA-32 emulation, where Wine's 32-bit loader fails with "Exec format
# error") is not run: the script says so in one line and exits 77, which ctest
# reports as a skipped test.
#
# Environment honoured:
#   VORLANE_WINE_ARCH=win32  run in a 32-bit prefix (its own template), as
#                     Wine needs for pretending to be 98, Me or NT 4.0 to a
#                     32-bit program; 32-bit programs only
#   WINEDLLOVERRIDES  appended to our own overrides (later entries win in Wine)
#   VORLANE_WINE_CACHE   where the template and the run prefixes live
#   VORLANE_WINE_KEEP=1  keep the run prefix and print its path (debugging)
#   DISPLAY           when unset the program runs under xvfb-run, because
#                     anything touching user32 windows needs an X server
set -u

die() { echo "wine-run.sh: $*" >&2; exit 125; }

# Without X, run this whole script under a virtual one, so the prefix's
# wineserver is also stopped before X goes away (else Wine's helper processes
# complain about the broken connection).
if [ -z "${DISPLAY:-}" ] && [ -z "${VORLANE_WINE_XVFB:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    export VORLANE_WINE_XVFB=1
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

wine_name=wine
case "${1:-}" in
    --wine=*) wine_name="${1#--wine=}"; shift ;;
esac
[ $# -ge 1 ] || die "usage: wine-run.sh [--wine=NAME] program.exe [arguments...]"

resolve_wine() {
    if command -v "$1" >/dev/null 2>&1; then command -v "$1"; return; fi
    if [ -x "/usr/lib/wine/$1" ]; then echo "/usr/lib/wine/$1"; return; fi
    # The 32-bit loader script starts 64-bit programs too.
    if command -v wine >/dev/null 2>&1; then command -v wine; return; fi
    return 1
}
wine_bin=$(resolve_wine "$wine_name") || die "no Wine loader found (asked for '$wine_name')"
command -v wineserver >/dev/null 2>&1 || die "wineserver not found"

# The PE machine field of a program file: 14c for x86, 8664 for x64.
pe_machine() {
    local offset
    offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ') || return 1
    [ -n "$offset" ] && od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' '
}
# Whether Wine's 32-bit loader can run at all here.
runs_32bit() {
    local loader=/usr/lib/wine/wine
    [ -x "$loader" ] || loader=$(command -v wine) || return 1
    "$loader" --version >/dev/null 2>&1
}
# The program may come later on the line (explorer /desktop=... program.exe).
arch=${VORLANE_WINE_ARCH:-win64}
wants_32bit=0
[ "$arch" = win32 ] && wants_32bit=1
for arg in "$@"; do
    [ -f "$arg" ] && [ "$(pe_machine "$arg")" = 014c ] && wants_32bit=1
done
if [ $wants_32bit = 1 ] && ! runs_32bit; then
    echo "wine-run.sh: this machine cannot run 32-bit programs; skipped: $(basename "$1")"
    exit 77
fi

# Where the template lives; needs a writable place. Run prefixes are made in the
# same folder so hard links stay on one file system.
cache_root=${VORLANE_WINE_CACHE:-}
if [ -z "$cache_root" ]; then
    if [ -n "${XDG_CACHE_HOME:-}" ]; then
        cache_root="$XDG_CACHE_HOME/vorlane-wine"
    elif [ -n "${HOME:-}" ] && [ -d "$HOME" ] && [ -w "$HOME" ]; then
        cache_root="$HOME/.cache/vorlane-wine"
    else
        cache_root="${TMPDIR:-/tmp}/vorlane-wine-$(id -u)"
    fi
fi
mkdir -p "$cache_root" || die "cannot create $cache_root"

wine_version=$("$wine_bin" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_')
[ -n "$wine_version" ] || wine_version=unknown
template="$cache_root/template-$wine_version"
[ "$arch" = win32 ] && template="$template-win32"

export WINEDEBUG=-all
# No Mono or Gecko install prompts: the tests need neither.
if [ -n "${WINEDLLOVERRIDES:-}" ]; then
    export WINEDLLOVERRIDES="mscoree,mshtml=;$WINEDLLOVERRIDES"
else
    export WINEDLLOVERRIDES="mscoree,mshtml="
fi

make_template() {
    local staging
    staging=$(mktemp -d "$cache_root/staging.XXXXXX") || die "mktemp failed"
    mkdir -p "$staging/home"
    # WINEARCH=win64 gives a prefix with both system32 and syswow64, so the one
    # template runs the 32-bit and the 64-bit builds alike; win32 one with
    # only a 32-bit system32.
    if ! HOME="$staging/home" WINEPREFIX="$staging/prefix" WINEARCH="$arch" \
            "$wine_bin" wineboot --init >"$staging/wineboot.log" 2>&1; then
        cat "$staging/wineboot.log" >&2
        rm -rf "$staging"
        die "wineboot --init failed"
    fi
    # The registry reaches the disk only when the server exits.
    WINEPREFIX="$staging/prefix" wineserver -w
    # wineboot links Desktop, Documents... to $HOME; make them plain folders so
    # a run can never write outside its own prefix.
    local link
    for link in "$staging"/prefix/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    mv "$staging/prefix" "$template" || die "cannot install template $template"
    rm -rf "$staging"
}

if [ ! -f "$template/system.reg" ]; then
    exec 9>"$cache_root/template.lock" || die "cannot open lock file"
    flock 9 || die "flock failed"
    if [ ! -f "$template/system.reg" ]; then
        rm -rf "$template"
        make_template
    fi
    flock -u 9
    exec 9>&-
fi

# Leftovers of runs and template builds that were killed before they could
# clean up (no run or build takes anywhere near that long).
find "$cache_root" -maxdepth 1 \( -name 'run.*' -o -name 'staging.*' \) -type d -mmin +720 \
    -exec rm -rf {} + 2>/dev/null

run_dir=$(mktemp -d "$cache_root/run.XXXXXX") || die "mktemp failed"
prefix="$run_dir/prefix"
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1
    if [ "${VORLANE_WINE_KEEP:-0}" = 1 ]; then
        echo "wine-run.sh: kept $prefix" >&2
    else
        rm -rf "$run_dir"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Hard links for everything, then real copies in place of all but the PE
# binaries: Wine rewrites registry and .ini files, so no write may reach the
# template. The DLLs only change on a Wine upgrade, which gets a new template.
# The links are removed before tar reads the template, or it would see the
# link count (ctime) change under it.
if cp -al "$template" "$prefix" 2>/dev/null; then
    list="$run_dir/copied"
    (cd "$template" && find . -type f ! -iname '*.dll' ! -iname '*.exe' ! -iname '*.drv' \
        ! -iname '*.sys' ! -iname '*.ocx' ! -iname '*.acm' ! -iname '*.cpl' ! -iname '*.tlb' \
        ! -iname '*.ax' ! -iname '*.ds' ! -iname '*.msstyles' ! -iname '*.nls' ! -iname '*.ttf' \
        -print0) >"$list" || die "cannot list the template"
    (cd "$prefix" && xargs -0 rm -f <"$list") || die "cannot unlink the copies"
    (cd "$template" && tar -c --null -T "$list" -f -) | (cd "$prefix" && tar -xf -) \
        || die "cannot copy the template"
else
    rm -rf "$prefix"
    cp -a "$template" "$prefix" || die "cannot copy the template"
fi
mkdir -p "$run_dir/home"

export WINEPREFIX="$prefix"
export HOME="$run_dir/home"

"$wine_bin" "$@"
exit $?
