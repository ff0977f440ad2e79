#!/usr/bin/env bash
# The setup program in a throwaway Wine prefix: a silent install (files, shortcuts, every value
# with its first text and no terminating zero, an empty VORLANE.INI, the Add/Remove Programs and
# Active Setup entries, the logon task), the per-user step adding a missing value, a second
# install that closes the running copy and keeps a changed preference, an upgrade as Windows 10
# over an older version's Run value, the silent uninstall writing back a pending default and
# removing what it installed, the Run value on XP, the elevated copy alone; then on 98 and Me.
#
#   tests/installer/installer_test.sh [EXE32 EXE64]   (default: build/win32, build/win64)
set -u
# The setup program and the tray program need an X server, even when silent.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
exe32=$(realpath "${1:-$root/build/win32/vorlane.exe}")
exe64=$(realpath "${2:-$root/build/win64/vorlane.exe}")
version=$(bash "$root/scripts/version.sh")

# The release setup program is 32-bit. Where this machine's Wine cannot run 32-bit programs
# (no 32-bit loader, or only an emulated one, which hangs), the amd64 build of the script is tested.
target=${VORLANE_INSTALLER_TARGET:-x86-ansi}
if [ -z "${VORLANE_INSTALLER_TARGET:-}" ] && { ! wine --version >/dev/null 2>&1 ||
    grep -qs '^interpreter .*qemu-i386' /proc/sys/fs/binfmt_misc/*; }; then
  target=amd64-unicode
  echo "note: Wine here runs no 32-bit programs natively; testing the amd64-unicode build of the setup script"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vorlane-installer-test.XXXXXX")
run_dir=
cleanup() {
  [ -n "$run_dir" ] && { WINEPREFIX="$run_dir/prefix" wineserver -k 2>/dev/null; rm -rf "$run_dir"; }
  rm -rf "$work"
}
trap cleanup EXIT
bash "$root/installer/build.sh" "$exe32" "$exe64" "$work" "$target" >/dev/null || exit 1
setup="$work/vorlane-${version%.*}-setup.exe"

# A prefix from the shared template, kept for the several steps below.
run_dir=$(VORLANE_WINE_KEEP=1 bash "$root/scripts/wine-run.sh" --wine=wine64 cmd /c exit 2>&1 \
  | sed -n 's/^wine-run.sh: kept \(.*\)\/prefix$/\1/p')
[ -d "$run_dir/prefix" ] || { echo "FAIL: no Wine prefix"; exit 1; }
export WINEPREFIX="$run_dir/prefix" HOME="$run_dir/home" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
c="$WINEPREFIX/drive_c"
app="$c/Program Files/Vorlane"
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vorlane"

passes=0 failures=0
expect() {  # what, actual, expected
  if [ "$2" = "$3" ]; then passes=$((passes + 1)); return; fi
  echo "FAIL: $1: got '$2', expected '$3'"; failures=$((failures + 1))
}
# Runs a Windows program to its end, then ends the prefix's server, which
# writes the registry to disk (quicker than waiting for it to time out).
win() { timeout 60 "$wine" "$@" >/dev/null 2>&1; local rc=$?; wineserver -k; return $rc; }
# The uninstaller runs from a copy in %TEMP%: wait for every process.
uninstall() { timeout 60 "$wine" "$app/uninstall.exe" /S; wineserver -w; snapshot; }
# The prefix's registry as read from its files, one "HIVE\KEY|NAME" entry per value: "sz:TEXT"
# for a string stored with its terminating zero, "exact:TEXT" for one stored without, "dword:N".
declare -A regs
snapshot() {
  regs=()
  local k v
  while IFS=$'\t' read -r k v; do regs[$k]=$v; done < <(python3 - "$WINEPREFIX" <<'PY'
import re, sys
for hive in ("user", "system"):
    section = None
    for line in open("%s/%s.reg" % (sys.argv[1], hive), encoding="utf-8", errors="replace").read().replace("\\\n  ", "").splitlines():
        m = re.match(r'\[(.*)\] \d+$', line)
        section = m.group(1).replace("\\\\", "\\") if m else section
        m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if not section or not m:
            continue
        name, data = m.groups()
        if data.startswith("hex(1):"):
            raw = bytes(int(b, 16) for b in data[7:].split(",") if b)
            value = ("exact:", "sz:")[raw.endswith(b"\0\0")] + raw.decode("utf-16-le").rstrip("\0")
        elif data.startswith('"'):
            value = "sz:" + data[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        else:
            value = "dword:%d" % int(data[6:], 16) if data.startswith("dword:") else "other:" + data
        print("%s\\%s|%s\t%s" % (hive, section, name, value))
PY
)
}
# Each argument "user|system\KEY|NAME=EXPECTED", checked against the last snapshot.
expect_reg() { local a; for a; do expect "${a%%=*}" "${regs[${a%%=*}]:-missing}" "${a#*=}"; done; }
present() { [ -e "$1" ] && echo present; }
# Every value of the settings file, with its text as the program writes it, stored as $1 ("exact" or "sz").
expect_settings() {
  local name text
  while IFS='=' read -r name text; do expect_reg "user\\$settings|$name=$1:$text"; done < <(
    sed -n 's/^"\([^"]*\)"="\(.*\)"\r\{0,1\}$/\1=\2/p' "$root/scripts/vorlane-settings.reg" | sed 's/\\\\/\\/g')
}
settings='Software\Ostrevan\Vorlane'
run="user\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|Vorlane"
u='system\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane'
active_setup='Software\Microsoft\Active Setup\Installed Components\Ostrevan.Vorlane'
# The logon task of Wine's one user, as Wine's schtasks keeps it: a file that holds the
# settings the definition asks for, as Wine wrote them back, but neither the trigger nor the principal.
sid='S-1-5-21-0-0-0-1000'
tasks="$c/windows/system32/tasks"
task_settings() {
  [ -f "$1" ] || { echo missing; return; }
  grep -o -e '<Description>[^<]*' -e '<MultipleInstancesPolicy>[^<]*' -e '<DisallowStartIfOnBatteries>[^<]*' \
    -e '<StopIfGoingOnBatteries>[^<]*' -e '<ExecutionTimeLimit>[^<]*' "$1" | sed 's/^<[^>]*>//' | paste -sd '|'
}
made_task='Starts Vorlane in the notification area at logon.|IgnoreNew|false|false|PT0S'
boot_default() { sed -n 's/^default=\(.*\)\r$/\1/p' "$c/BOOT.INI"; }
win2k='multi(0)disk(0)rdisk(0)partition(1)\WINNT'
winxp='multi(0)disk(0)rdisk(0)partition(2)\WINDOWS'

echo "--- silent install (${SECONDS} s)"
win "$setup" /S; expect "setup exit code" $? 0
snapshot
expect "installed exe" "$(cmp -s "$app/vorlane.exe" "$exe64" && echo 64-bit)" 64-bit
for p in "$app/uninstall.exe" "$app/vorlane-user.exe" "$menu/Vorlane.lnk" "$menu/Uninstall Vorlane.lnk"; do
  expect "$p" "$(present "$p")" present
done
expect_settings exact
expect "VORLANE.INI" "$(stat -c %s "$c/VORLANE.INI" 2>&1)" 0
expect "logon task" "$(task_settings "$tasks/Vorlane $sid")" "$made_task"
expect_reg "$run=missing" "user\\$settings|StartupTask=exact:Vorlane $sid" "$u|DisplayName=sz:Vorlane" \
  "$u|DisplayVersion=sz:$version" "$u|Publisher=sz:Ostrevan" "$u|DisplayIcon=sz:C:\Program Files\Vorlane\vorlane.exe,0" \
  "$u|UninstallString=sz:\"C:\Program Files\Vorlane\uninstall.exe\"" \
  "system\\$active_setup|StubPath=sz:\"C:\Program Files\Vorlane\vorlane-user.exe\""
expect "Add/Remove size" "$(sed 's/dword:[1-9][0-9]*/KB/' <<<"${regs[$u|EstimatedSize]:-missing}")" KB

echo "--- second install over changed preferences (${SECONDS} s)"
tr -d '\r' <"$root/scripts/sample/BOOT.INI" | sed 's/$/\r/' >"$c/BOOT.INI"
printf '[Config]\r\nDefault=Microsoft Windows 2000 Professional\r\n' >"$c/VORLANE.INI"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\%s]\r\n"MaintainDefault"="True"\r\n"SortList"=-\r\n' \
  "${settings//\\/\\\\}" >"$c/change.reg"
win regedit /s 'C:\change.reg'
# What Active Setup runs at another user's logon adds what is missing, no more.
win "$app/vorlane-user.exe"; snapshot
expect_reg "user\\$settings|SortList=exact:False" "user\\$settings|MaintainDefault=sz:True"
# A copy in the tray holds its exe open: the setup must close it to replace it.
"$wine" "$app/vorlane.exe" >/dev/null 2>&1 &
tray=$!
for _ in $(seq 40); do pgrep -f 'Vorlane.vorlane\.exe' >/dev/null && break; sleep 0.25; done
sleep 2
timeout 60 "$wine" "$setup" /S; expect "second setup exit code" $? 0
expect "tray copy closed" "$(timeout 10 tail --pid=$tray -f /dev/null && echo closed)" closed
wineserver -k; snapshot
expect_reg "user\\$settings|MaintainDefault=sz:True"
expect "VORLANE.INI kept" "$(tr -d '\r\n' <"$c/VORLANE.INI")" "[Config]Default=Microsoft Windows 2000 Professional"

echo "--- upgrade as Windows 10 over an older version's Run value (${SECONDS} s)"
win reg add 'HKCU\Software\Wine' /v Version /d win10 /f
win schtasks /Delete /TN "Vorlane $sid" /F
win reg delete "HKCU\\$settings" /v StartupTask /f
win reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Vorlane /d 'C:\Program Files\Vorlane\vorlane.exe' /f
expect "task removed for the upgrade" "$(present "$tasks/Vorlane $sid")" ""
win "$setup" /S; expect "upgrade's exit code" $? 0
snapshot
expect "logon task after the upgrade" "$(task_settings "$tasks/Vorlane $sid")" "$made_task"
expect_reg "$run=missing" "user\\$settings|StartupTask=exact:Vorlane $sid"

echo "--- silent uninstall with a one-time choice pending (${SECONDS} s)"
sed -i "s/^default=.*\r$/default=${winxp//\\/\\\\}\r/" "$c/BOOT.INI"
uninstall
expect "default written back" "$(grep -c '^multi' "$c/BOOT.INI")/$(boot_default)" "3/$win2k"
expect "program folder" "$(ls -A "$app" 2>/dev/null)" ""
expect "Start-menu folder, VORLANE.INI, task" "$(present "$menu")/$(present "$c/VORLANE.INI")/$(present "$tasks/Vorlane $sid")" "/present/"
expect_reg "$run=missing" "$u|DisplayName=missing" "system\\$active_setup|StubPath=missing" \
  "user\\$settings|MaintainDefault=sz:True" "user\\$settings|StartupTask=missing"

echo "--- XP: the Run value, as before, and no task (${SECONDS} s)"
win reg add 'HKCU\Software\Wine' /v Version /d winxp /f
win "$setup" /S; expect "setup exit code on XP" $? 0
snapshot
expect_reg "$run=exact:C:\Program Files\Vorlane\vorlane.exe" "user\\$settings|StartupTask=missing"
expect "tasks on XP" "$(ls -A "$tasks" 2>/dev/null)" ""
uninstall
expect_reg "$run=missing"
win reg add 'HKCU\Software\Wine' /v Version /d win7 /f

echo "--- the elevated copy alone leaves the user's part to the user's copy (${SECONDS} s)"
# On Vista and later the setup runs as the user and elevates a copy of itself for the machine's
# part; whatever account that copy runs as, it writes none of the user's values and starts
# nothing: it says what was chosen instead, as its exit code 256 + the choices (of which Unix
# would keep only the low byte), and makes the logon task of the user named, not its own.
win reg delete 'HKCU\Software\Ostrevan' /f
cp "$setup" "$c/setup.exe"
other='S-1-5-21-7-8-9-1001'
printf 'start /wait "" C:\\setup.exe /ELEVATED /RUN=0 /USER=%s /S\r\necho %%errorlevel%%>C:\\rc.txt\r\n' "$other" \
  >"$c/elevated.bat"
win cmd /c 'C:\elevated.bat'
expect "elevated copy's exit code (256 + Run at startup + task made)" "$(tr -d '\r\n ' <"$c/rc.txt")" 265
wineserver -w; snapshot
expect "program installed" "$(present "$app/vorlane.exe")" present
expect "tasks made by the elevated copy" "$(ls -A "$tasks")|$(task_settings "$tasks/Vorlane $other")" "Vorlane $other|$made_task"
expect_reg "user\\$settings|Filename=missing" "$run=missing" "user\\$active_setup|Version=missing" "$u|DisplayName=sz:Vorlane"
uninstall
expect "every user's task removed by the uninstaller" "$(ls -A "$tasks")" ""

# 98 and Me store a REG_SZ up to its zero whatever count they are given: every value must still
# be exactly its first text, and the uninstaller must remove it (the exe there: versions_test).
# In a 32-bit prefix with the release's 32-bit setup where this machine runs 32-bit programs;
# else with the amd64 build in this 64-bit prefix, which Wine's 9x modes treat alike.
exe9x=$exe64
if [ "$target" = x86-ansi ]; then
  export WINEPREFIX="$work/prefix9x"
  wine=$(command -v wine)
  exe9x=$exe32
  WINEARCH=win32 win wineboot --init
fi
c="$WINEPREFIX/drive_c"
app="$c/Program Files/Vorlane"
for version in win98 winme; do
  echo "--- setup and uninstall under $version (${SECONDS} s)"
  win reg add 'HKCU\Software\Wine' /v Version /d $version /f
  win reg delete 'HKCU\Software\Ostrevan' /f
  rm -f "$c/VORLANE.INI"
  win "$setup" /S; expect "setup exit code on $version" $? 0
  snapshot
  expect "installed exe on $version" "$(cmp -s "$app/vorlane.exe" "$exe9x" && echo the build)" "the build"
  expect_settings sz
  expect_reg "$run=sz:C:\Program Files\Vorlane\vorlane.exe"
  expect "VORLANE.INI on $version" "$(stat -c %s "$c/VORLANE.INI" 2>&1)" 0
  # The per-user step writes a missing value the same way.
  win reg delete 'HKCU\Software\Ostrevan\Vorlane' /v SortList /f
  win "$app/vorlane-user.exe"; snapshot
  expect_reg "user\\$settings|SortList=sz:False"
  uninstall
  expect "program folder on $version" "$(ls -A "$app" 2>/dev/null)" ""
  expect_reg "$run=missing" "$u|DisplayName=missing"
done

echo "installer: $passes passed, $failures failed"
[ "$failures" -eq 0 ]
