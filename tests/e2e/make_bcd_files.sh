#!/usr/bin/env bash
# Makes the boot manager store files of the XP-side end-to-end test from the
# shared BIOS sample (never kept in the repository): Windows 7 set up beside
# XP, with "Earlier Version of Windows" the default (xp-ntldr.BCD) and with
# Windows the default (xp-windows.BCD). Without the sample or hivexregedit
# it makes nothing, and the test says it skipped.
#   make_bcd_files.sh SAMPLES_FOLDER OUT_FOLDER
set -eu
samples=$1 out=$2
rm -rf "$out"
if [ ! -f "$samples/bios.BCD" ] || ! command -v hivexregedit >/dev/null; then
  echo "skipped: no $samples/bios.BCD or no hivexregedit"
  exit 0
fi
mkdir -p "$out"
ntldr='{466f5a88-0af2-4f76-9038-095b170dc21c}' ten='{1b67bffd-e290-11eb-8ffa-f459a0d9b879}'
manager='\Objects\{9dea862c-5cdd-4e70-acc1-f32b344d4795}\Elements'
utf16() { printf '%s' "$1" | iconv -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',,' | sed 's/^,//; s/,$//'; }
for default in ntldr windows; do
  [ $default = ntldr ] && id=$ntldr || id=$ten
  cp "$samples/bios.BCD" "$out/xp-$default.BCD" && chmod u+w "$out/xp-$default.BCD"
  cat >"$out/changes.reg" <<REG
Windows Registry Editor Version 5.00

[\\Objects\\$ntldr]

[\\Objects\\$ntldr\\Description]
"Type"=dword:10300006

[\\Objects\\$ntldr\\Elements]

[\\Objects\\$ntldr\\Elements\\12000004]
"Element"=hex(1):$(utf16 "Earlier Version of Windows"),00,00

[$manager\\24000001]
"Element"=hex(7):$(utf16 "$ten"),00,00,$(utf16 "$ntldr"),00,00,00,00

[$manager\\23000003]
"Element"=hex(1):$(utf16 "$id"),00,00
REG
  hivexregedit --merge "$out/xp-$default.BCD" --prefix '' "$out/changes.reg"
done
rm "$out/changes.reg"
