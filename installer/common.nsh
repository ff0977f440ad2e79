; What the setup program and the per-user step share: Vorlane's registry
; values, written the way the program itself writes them, and VORLANE.INI.
; Needs VALUES_NSH (generated from scripts/vorlane-settings.reg by build.sh).

!include LogicLib.nsh
!include WinVer.nsh

!define SETTINGS_KEY "Software\Ostrevan\Vorlane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; HKEY_CURRENT_USER as a pointer-sized value: sign-extended on 64-bit Windows,
; which accepts no other form of a predefined key.
!define HKCU_HANDLE -2147483647
!define REG_SZ 1

; Sets HKCU\$1 value $2 to text $3, type REG_SZ, stored as the program stores
; every value: without a terminating zero on NT, with it on 98 and Me. With
; $4 = "keep" an existing value is left as it is (whatever its type or size),
; so an upgrade keeps every preference. Clobbers $5-$9.
Function SetExactString
  System::Call 'advapi32::RegCreateKeyExA(p ${HKCU_HANDLE}, m r1, i 0, p 0, i 0, i 0xF003F, p 0, *p .r5, p 0) i .r6'
  ${If} $6 == 0
    System::Call 'advapi32::RegQueryValueExA(p r5, m r2, p 0, p 0, p 0, p 0) i .r6'
    ${If} $6 != 0
    ${OrIf} $4 != "keep"
      StrLen $7 $3
      ${If} ${IsNT}
        ; NT stores a terminator that the caller left out whenever the byte after
        ; the data is zero; a byte 1 there keeps the value at exactly its text.
        IntFmt $8 "%c" 1
        StrCpy $8 "$3$8"
      ${Else}
        ; 98 and Me ignore the count and store the text up to its zero: the byte
        ; 1 would be stored too. The plain text is what the program writes there.
        StrCpy $8 $3
      ${EndIf}
      System::Call 'advapi32::RegSetValueExA(p r5, m r2, i 0, i ${REG_SZ}, m r8, i r7) i .r9'
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p r5)'
  ${EndIf}
FunctionEnd

; Reads HKCU\$1 value $2 into $3 ("" when missing, unreadable or too long). The
; program's values carry no terminating zero, so they are read into a zeroed
; buffer rather than with ReadRegStr. Clobbers $5-$7.
!macro VORLANE_READ_STRING_FUNCTION PREFIX
Function ${PREFIX}ReadExactString
  StrCpy $3 ""
  System::Call 'advapi32::RegOpenKeyExA(p ${HKCU_HANDLE}, m r1, i 0, i 0x20019, *p .r5) i .r6'
  ${If} $6 == 0
    System::Alloc ${NSIS_MAX_STRLEN}
    Pop $7
    IntOp $6 ${NSIS_MAX_STRLEN} - 1
    System::Call 'advapi32::RegQueryValueExA(p r5, m r2, p 0, p 0, p r7, *i r6) i .r6'
    ${If} $6 == 0
      System::Call '*$7(&m${NSIS_MAX_STRLEN} .r3)'
    ${EndIf}
    System::Free $7
    System::Call 'advapi32::RegCloseKey(p r5)'
  ${EndIf}
FunctionEnd
!macroend

!macro VORLANE_VALUE NAME TEXT
  StrCpy $2 "${NAME}"
  !if "${NAME}" == "Filename"
    StrCpy $3 $0
  !else
    StrCpy $3 "${TEXT}"
  !endif
  Call SetExactString
!macroend

; Creates each missing value under the settings key with its first text, and an
; empty VORLANE.INI where INI points when there is none. Filename names BOOT.INI
; on the drive Windows runs from when it is there, else C:\BOOT.INI.
Function CreateUserSettings
  Push $0
  StrCpy $0 $WINDIR 2
  ${If} ${FileExists} "$0\BOOT.INI"
    StrCpy $0 "$0\BOOT.INI"
  ${Else}
    StrCpy $0 "C:\BOOT.INI"
  ${EndIf}
  StrCpy $1 "${SETTINGS_KEY}"
  StrCpy $4 "keep"
  !include "${VALUES_NSH}"
  ; The program reads VORLANE.INI at every start and complains when it is
  ; missing; an existing one may hold a pending default and stays untouched.
  StrCpy $2 "INI"
  Call ReadExactString
  ${If} $3 != ""
  ${AndIfNot} ${FileExists} $3
    ClearErrors
    FileOpen $1 $3 w
    ${IfNot} ${Errors}
      FileClose $1
    ${EndIf}
  ${EndIf}
  Pop $0
FunctionEnd

!insertmacro VORLANE_READ_STRING_FUNCTION ""
