#!/usr/bin/env bash
# Builds Vorlane's setup program from two finished vorlane.exe builds.
#
#   installer/build.sh EXE32 EXE64 OUTDIR [TARGET]
#
# Writes OUTDIR/vorlane-<version>-setup.exe. TARGET is makensis's: x86-ansi
# (the default, and the only one released: it runs on Windows 98 to 10) or
# amd64-unicode, which the tests use where Wine cannot run 32-bit programs.
# The version comes from the top CMakeLists.txt. File times inside the setup
# program are SOURCE_DATE_EPOCH's (default: the last commit's), so the same
# inputs give the same bytes.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 EXE32 EXE64 OUTDIR [x86-ansi|amd64-unicode]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
exe32=$(realpath "$1"); exe64=$(realpath "$2"); out=$3; target=${4:-x86-ansi}
mkdir -p "$out"; out=$(realpath "$out")

version=$(bash "$root/scripts/version.sh")
short=${version%.*}
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 0)}

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-nsis.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The settings' first texts have one home, the .reg file the zips ship.
python3 - "$root/scripts/vorlane-settings.reg" "$work/values.nsh" <<'PY'
import re, sys
out = []
for line in open(sys.argv[1], encoding="ascii"):
    m = re.fullmatch(r'"([^"]+)"="((?:[^"\\]|\\.)*)"\s*', line)
    if not m:
        continue
    text = re.sub(r'\\(.)', r'\1', m.group(2))
    text = text.replace("$", "$$").replace('"', '$\\"')
    out.append('!insertmacro VORLANE_VALUE "%s" "%s"\n' % (m.group(1), text))
if len(out) < 14:
    sys.exit("vorlane-settings.reg: expected Vorlane's 14 values, found %d" % len(out))
open(sys.argv[2], "w").writelines(out)
PY

# So has the logon task's definition (Vista and later): the program's own,
# written by the setup program line by line as UTF-16LE (WriteUtf16), the
# user's SID in $R8 and the program's path in $R9, to the file open in $R6.
python3 - "$root/src/settings/startup_task.cpp" "$work/task.nsh" <<'PY'
import re, sys
source = open(sys.argv[1], encoding="ascii").read()
def literal(name):
    m = re.search(r'constexpr const char\* %s =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);' % name, source)
    if not m:
        sys.exit("startup_task.cpp: no %s" % name)
    parts = re.findall(r'"((?:[^"\\]|\\.)*)"', m.group(1))
    return "".join(parts).replace('\\"', '"').replace("\\r", "\r").replace("\\n", "\n")
text = literal("kTaskHead") + "@COMMAND@" + literal("kTaskTail")
out = ["FileWriteByte $R6 255\n", "FileWriteByte $R6 254\n"]  # the byte-order mark
for line in text.split("\r\n")[:-1]:
    line = line.replace("$", "$$").replace('"', '$\\"')
    line = line.replace("@USER@", "$R8").replace("@COMMAND@", "$R9")
    out.append('StrCpy $R5 "%s$\\r$\\n"\nCall WriteUtf16\n' % line)
if len(out) < 20 or "$R9" not in "".join(out):
    sys.exit("startup_task.cpp: the task's definition is not where it was")
open(sys.argv[2], "w").writelines(out)
PY

cp "$exe32" "$work/vorlane32.exe"
cp "$exe64" "$work/vorlane64.exe"
# Warnings fail the release build; the 64-bit one has branches that never run.
strict=-WX
[ "$target" = x86-ansi ] || strict="-X!pragma warning disable 6012"
nsis() {  # script, output, extra defines...
  local script=$1 output=$2; shift 2
  makensis -V2 "$strict" -INPUTCHARSET UTF8 "-X!addincludedir $here" \
    "-DTARGET=$target" "-DVERSION=$version" "-DVALUES_NSH=$work/values.nsh" "-DTASK_NSH=$work/task.nsh" \
    "-DICON=$root/res/about.ico" "-DOUTFILE=$output" "$@" "$here/$script"
}
nsis user-step.nsi "$work/vorlane-user.exe"
touch -d "@$epoch" "$work"/*.exe
nsis vorlane.nsi "$out/vorlane-$short-setup.exe" \
  "-DEXE32=$work/vorlane32.exe" "-DEXE64=$work/vorlane64.exe" "-DUSER_STEP=$work/vorlane-user.exe"
