; vorlane-user.exe: gives one user his Vorlane values and VORLANE.INI, adding
; only what is missing. Active Setup runs it once per user at logon, so every
; user of the machine gets the settings the setup program gave the installing
; one. Shows nothing. Built by installer/build.sh (see vorlane.nsi).

Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user
SilentInstall silent
ManifestSupportedOS all

!include "common.nsh"

Name "Vorlane"
OutFile "${OUTFILE}"
Icon "${ICON}"
VIProductVersion ${VERSION}
VIAddVersionKey ProductName "Vorlane"
VIAddVersionKey CompanyName "Ostrevan"
VIAddVersionKey FileDescription "Vorlane per-user settings"
VIAddVersionKey FileVersion ${VERSION}
VIAddVersionKey LegalCopyright "Copyright (C) Ostrevan"

Section
  Call CreateUserSettings
SectionEnd
