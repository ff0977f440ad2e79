; Vorlane's setup program. Built by installer/build.sh, which passes:
;   VERSION      four-part version, e.g. 1.5.6.0
;   EXE32 EXE64  the two builds of vorlane.exe
;   USER_STEP    vorlane-user.exe (per-user step, from user-step.nsi)
;   VALUES_NSH   the settings' first texts, generated from vorlane-settings.reg
;   OUTFILE, ICON, TARGET (x86-ansi for releases: one program for 98 to 10)

Target ${TARGET}
SetCompressor /SOLID lzma
; The setup starts with the rights of the user who runs it. On Vista and later
; it hands the machine's part to a copy of itself that asks for an
; administrator's rights, and does the user's part (his settings, Run at
; startup, Vorlane started) itself: an administrator's password given to that
; copy must not carry the user's part into the administrator's account. On
; older systems one process does both, as an administrator (see .onInit).
RequestExecutionLevel user
ManifestSupportedOS all

!include MUI2.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include "common.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane"
; Runs the per-user step once for each user at his next logon.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\Ostrevan.Vorlane"
!searchreplace ACTIVE_SETUP_VERSION "${VERSION}" "." ","
!define MAIN_WINDOW_CLASS "#32770"
!define MAIN_WINDOW_TITLE "About Vorlane"

Name "Vorlane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Vorlane"
BrandingText "Vorlane ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion ${VERSION}
VIAddVersionKey ProductName "Vorlane"
VIAddVersionKey CompanyName "Ostrevan"
VIAddVersionKey FileDescription "Vorlane setup"
VIAddVersionKey FileVersion ${VERSION}
VIAddVersionKey ProductVersion ${VERSION}
VIAddVersionKey LegalCopyright "Copyright (C) Ostrevan"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

; The finish page acts on its first box before its second: the set-up comes
; first, so the tray copy starts on the BOOT.INI the set-up may have chosen.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run the one-time set-up now (find BOOT.INI, shorten the boot menu)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_RUN_FUNCTION RunSetUp
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Start Vorlane now"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION StartVorlane

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var OldInstall
; "1" in the copy that runs as an administrator for a user's copy (/ELEVATED):
; it leaves the user's part to that one, and tells it, in its exit code
; (CHOICES plus the bits below), what the user chose.
Var ForUser
Var Choices
; In that copy, /RUN= says whether the user starts Vorlane at logon now, and
; /USER= names him by his SID, for his logon task (Vista and later).
Var UserRun
Var UserSid
!define CHOICES 256
!define CHOSE_STARTUP 1
!define CHOSE_SETUP 2
!define CHOSE_START 4
!define MADE_TASK 8
!define LAST_CHOICES 15
; The logon task's name, as the program names it: one per user.
!define TASK_PREFIX "Vorlane "
; Under the settings key: the program's note that the task was made.
!define TASK_NOTE "StartupTask"
; Named in full: shell32 also exports a plain ShellExecuteEx, the ANSI one.
!ifdef NSIS_UNICODE
  !define SHELL_EXECUTE_EX ShellExecuteExW
!else
  !define SHELL_EXECUTE_EX ShellExecuteExA
!endif
; SHELLEXECUTEINFO: its size, and its alignment gaps on 64-bit Windows.
!if ${NSIS_PTR_SIZE} > 4
  !define SEI_SIZE 112
  !define PAD "i,"
!else
  !define SEI_SIZE 60
  !define PAD ""
!endif

; The 64-bit program where Windows is 64-bit: its registry views and the
; Program Files it belongs in.
!macro USE_NATIVE_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; Runs this program again with an administrator's rights (the "runas" verb:
; Windows asks for consent or an administrator's password) with $R0 as its
; parameters, and waits for it: $0 = its exit code, or "" when it could not start.
!macro RUN_AS_ADMIN PREFIX
Function ${PREFIX}RunAsAdmin
  StrCpy $0 ""
  System::Alloc ${SEI_SIZE}
  Pop $1
  System::Call '*$1(i ${SEI_SIZE}, i 0x40, p $HWNDPARENT, t "runas", t "$EXEPATH", t R0, t "", i 1)'
  System::Call 'shell32::${SHELL_EXECUTE_EX}(p r1) i .r2'
  ${If} $2 <> 0
    ; SEE_MASK_NOCLOSEPROCESS (0x40) leaves the process handle in the last member.
    System::Call '*$1(i, i, p, p, p, p, p, i, ${PAD} p, p, p, p, i, ${PAD} p, p .r3)'
    System::Call 'kernel32::WaitForSingleObject(p r3, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r3, *i .r0)'
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  System::Free $1
FunctionEnd
!macroend
!insertmacro RUN_AS_ADMIN ""
!insertmacro RUN_AS_ADMIN "un."

!macro REQUIRE_ADMIN
  ; Windows 98 and Me have no accounts to ask about; the plug-in says Admin there.
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP|MB_OK "Vorlane's setup needs administrator rights: it writes to Program Files and to the machine's list of installed programs.$\r$\n$\r$\nLog on as an administrator, or start the setup with Run as..., and try again." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
!macroend

; Ends the tray copy so its exe can be replaced or removed. The setup uses the
; program's own -x where it is installed; then the same close request goes
; out directly, for a copy started from somewhere else, and for the
; uninstaller, whose -q that follows is the one start that restores a pending
; default. Every start of the program reads VORLANE.INI and stops on a message
; when it is missing, so without one only the direct request is sent.
!macro CLOSE_RUNNING_COPY PREFIX
Function ${PREFIX}CloseRunningCopy
  !if "${PREFIX}" == ""
    Call IniPath
    ; -x reads the settings of whoever runs it: not those of an administrator
    ; who elevated the setup for a user.
    ${If} ${FileExists} "$INSTDIR\vorlane.exe"
    ${AndIf} ${FileExists} $3
    ${AndIf} $ForUser != 1
      ExecWait '"$INSTDIR\vorlane.exe" -x'
    ${EndIf}
  !endif
  FindWindow $0 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0
  ${EndIf}
  ; The process ends a moment after it has handled the request.
  StrCpy $1 0
  ${DoWhile} $1 < 40
    ${IfNot} ${FileExists} "$INSTDIR\vorlane.exe"
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $0 "$INSTDIR\vorlane.exe" a
    ${IfNot} ${Errors}
      FileClose $0
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $1 $1 + 1
  ${Loop}
FunctionEnd

; $3 = the VORLANE.INI path the program uses: INI, or C:\VORLANE.INI without it.
Function ${PREFIX}IniPath
  StrCpy $1 "${SETTINGS_KEY}"
  StrCpy $2 "INI"
  ClearErrors
  ReadRegStr $3 HKCU $1 $2
  ${If} ${Errors}
    StrCpy $3 "C:\VORLANE.INI"
  ${Else}
    Call ${PREFIX}ReadExactString
  ${EndIf}
FunctionEnd
!macroend
!insertmacro VORLANE_READ_STRING_FUNCTION "un."
!insertmacro CLOSE_RUNNING_COPY ""
!insertmacro CLOSE_RUNNING_COPY "un."


Section "-Settings, then the running copy closed"
  ; First the values and VORLANE.INI: every start of the program, -x included,
  ; reads VORLANE.INI and shows a message when it is missing.
  ${If} $ForUser != 1
    Call CreateUserSettings
  ${EndIf}
  Call CloseRunningCopy
SectionEnd

; One of the two, chosen in .onInit, so the space asked for is what is used.
Section "-32-bit program" Sec32
  SetOutPath "$INSTDIR"
  File "/oname=vorlane.exe" "${EXE32}"
SectionEnd

Section "-64-bit program" Sec64
  SetOutPath "$INSTDIR"
  File "/oname=vorlane.exe" "${EXE64}"
SectionEnd

Section "Vorlane" SecMain
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${USER_STEP}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Vorlane"
  CreateShortCut "$SMPROGRAMS\Vorlane\Vorlane.lnk" "$INSTDIR\vorlane.exe"
  CreateShortCut "$SMPROGRAMS\Vorlane\Uninstall Vorlane.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vorlane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrevan"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vorlane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Settings are per user: the other users of this machine get theirs from
  ; the per-user step at their next logon; this user has them already.
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "Vorlane"
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" '"$INSTDIR\vorlane-user.exe"'
  WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION}"
  WriteRegDWORD HKLM "${ACTIVE_SETUP_KEY}" "IsInstalled" 1
  ${If} $ForUser != 1
    WriteRegStr HKCU "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION}"
  ${EndIf}
SectionEnd

; On Vista and later the elevated copy makes the user's logon task, which only
; an administrator may make: it starts Vorlane with the highest rights he has.
Section "Run at startup" SecStartup
  ${If} $ForUser == 1
    IntOp $Choices $Choices | ${CHOSE_STARTUP}
    ${If} $UserSid != ""
      Call MakeStartupTask
      ${If} $0 == 0
        IntOp $Choices $Choices | ${MADE_TASK}
      ${Else}
        MessageBox MB_ICONEXCLAMATION|MB_OK "The task that starts Vorlane at logon could not be made (schtasks: $0). Vorlane will start at logon without administrator rights instead." /SD IDOK
      ${EndIf}
    ${EndIf}
  ${Else}
    Call SetRunValue
  ${EndIf}
SectionEnd

Section "-Startup choice off"
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    ${If} $ForUser != 1
      DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
    ${ElseIf} $UserSid != ""
      ; Missing already, most often: schtasks then fails, and nothing is lost.
      nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "${TASK_PREFIX}$UserSid" /F'
      Pop $0
    ${EndIf}
  ${EndIf}
  Call LeaveChoices
SectionEnd

; Writes the program's own definition of the task (task.nsh, generated from
; src/settings/startup_task.cpp by build.sh) for $UserSid and the installed
; exe to a temporary file and hands it to schtasks; $0 = its exit code, or
; "error" when it did not run.
Function MakeStartupTask
  StrCpy $R8 $UserSid
  ${WordReplace} "$INSTDIR\vorlane.exe" "&" "&amp;" "+" $R9
  GetTempFileName $R7
  FileOpen $R6 $R7 w
  !include "${TASK_NSH}"
  FileClose $R6
  nsExec::Exec '"$SYSDIR\schtasks.exe" /Create /TN "${TASK_PREFIX}$UserSid" /XML "$R7" /F'
  Pop $0
  Delete $R7
FunctionEnd

; Appends $R5 to the file open in $R6 as UTF-16LE, which schtasks /XML reads;
; the ANSI build converts from the ANSI code page. Clobbers $0-$3.
Function WriteUtf16
  !ifdef NSIS_UNICODE
    FileWriteUTF16LE $R6 $R5
  !else
    !define /math UTF16_BYTES ${NSIS_MAX_STRLEN} * 2
    System::Alloc ${UTF16_BYTES}
    Pop $1
    System::Call 'kernel32::MultiByteToWideChar(i 0, i 0, t R5, i -1, p r1, i ${NSIS_MAX_STRLEN}) i .r0'
    ${If} $0 > 1
      IntOp $2 $0 - 1
      IntOp $2 $2 * 2
      System::Call 'kernel32::WriteFile(p R6, p r1, i r2, *i .r3, p 0)'
    ${EndIf}
    System::Free $1
  !endif
FunctionEnd

; $UserSid = the SID of the account this copy runs as, in its string form, or
; "" when Windows cannot say.
Function GetUserSid
  StrCpy $UserSid ""
  System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r0'
  ${If} $0 <> 0
    ; TOKEN_USER (TokenUser = 1): a pointer to the SID, which follows it.
    System::Alloc 256
    Pop $2
    System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r2, i 256, *i .r3) i .r0'
    ${If} $0 <> 0
      System::Call '*$2(p .r4)'
      System::Call 'advapi32::ConvertSidToStringSid(p r4, *p .r5) i .r0'
      ${If} $0 <> 0
        System::Call 'kernel32::lstrcpyn(t .s, p r5, i ${NSIS_MAX_STRLEN})'
        Pop $UserSid
        System::Call 'kernel32::LocalFree(p r5)'
      ${EndIf}
    ${EndIf}
    System::Free $2
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
FunctionEnd

; The value the program itself writes: its path as Windows reports it for
; the running exe, unquoted, stored as the program stores every value.
Function SetRunValue
  StrCpy $1 "${RUN_KEY}"
  StrCpy $2 "Vorlane"
  StrCpy $3 "$INSTDIR\vorlane.exe"
  StrCpy $4 "set"
  Call SetExactString
FunctionEnd

; The copy elevated for a user tells it what was chosen, in its exit code.
Function LeaveChoices
  ${If} $ForUser == 1
    IntOp $0 ${CHOICES} + $Choices
    SetErrorLevel $0
  ${EndIf}
FunctionEnd

; The user's copy on Vista and later: the machine's part in an elevated copy,
; then the user's part here, with his own rights. Ends the program.
Function InstallForUser
  ; Whether this user starts Vorlane at logon now, by the task or by the Run
  ; value of an older version, which an upgrade keeps (as the task).
  StrCpy $1 1
  ClearErrors
  ReadRegStr $0 HKCU "${RUN_KEY}" "Vorlane"
  ${If} ${Errors}
    ClearErrors
    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "${TASK_NOTE}"
    ${If} ${Errors}
      StrCpy $1 0
    ${EndIf}
  ${EndIf}
  Call GetUserSid
  StrCpy $R0 "/ELEVATED /RUN=$1 /USER=$UserSid $R0"
  Call RunAsAdmin
  ${If} $0 == ""
    MessageBox MB_ICONSTOP|MB_OK "Vorlane's setup needs administrator rights: it writes to Program Files and to the machine's list of installed programs." /SD IDOK
    SetErrorLevel 740
    Quit
  ${EndIf}
  IntOp $Choices $0 - ${CHOICES}
  ${If} $Choices < 0
  ${OrIf} $Choices > ${LAST_CHOICES}
    SetErrorLevel $0  ; cancelled or failed: nothing of the user's changes
    Quit
  ${EndIf}
  !insertmacro USE_NATIVE_VIEW
  ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Call CreateUserSettings
  ; The task replaces the Run value, which would start a second copy without
  ; the rights; only where it could not be made does the Run value do its work.
  IntOp $0 $Choices & ${CHOSE_STARTUP}
  IntOp $1 $Choices & ${MADE_TASK}
  ${If} $1 <> 0
    StrCpy $1 "${SETTINGS_KEY}"
    StrCpy $2 "${TASK_NOTE}"
    StrCpy $3 "${TASK_PREFIX}$UserSid"
    StrCpy $4 "set"
    Call SetExactString
    DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
  ${ElseIf} $0 <> 0
    Call SetRunValue
    DeleteRegValue HKCU "${SETTINGS_KEY}" "${TASK_NOTE}"
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
    DeleteRegValue HKCU "${SETTINGS_KEY}" "${TASK_NOTE}"
  ${EndIf}
  WriteRegStr HKCU "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION}"
  IntOp $0 $Choices & ${CHOSE_SETUP}
  ${If} $0 <> 0
    Call RunSetUp
  ${EndIf}
  IntOp $0 $Choices & ${CHOSE_START}
  ${If} $0 <> 0
    Call StartVorlane
  ${EndIf}
  SetErrorLevel 0
  Quit
FunctionEnd

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $0
  ${IfNot} ${Errors}
    StrCpy $ForUser 1
    ${GetOptions} $R0 "/RUN=" $UserRun
    ${GetOptions} $R0 "/USER=" $UserSid
  ${ElseIf} ${AtLeastWinVista}
    Call InstallForUser
  ${EndIf}
  !insertmacro REQUIRE_ADMIN
  !insertmacro USE_NATIVE_VIEW
  ${If} ${RunningX64}
    !insertmacro UnselectSection ${Sec32}
    ${If} $INSTDIR == "$PROGRAMFILES\Vorlane"
      StrCpy $INSTDIR "$PROGRAMFILES64\Vorlane"
    ${EndIf}
  ${Else}
    !insertmacro UnselectSection ${Sec64}
  ${EndIf}
  ; An upgrade goes where the last install went and keeps its startup choice.
  ReadRegStr $OldInstall HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $OldInstall != ""
    ${If} $INSTDIR == "$PROGRAMFILES\Vorlane"
    ${OrIf} $INSTDIR == "$PROGRAMFILES64\Vorlane"
      StrCpy $INSTDIR $OldInstall
    ${EndIf}
    ClearErrors
    ReadRegStr $0 HKCU "${RUN_KEY}" "Vorlane"
    ${If} $ForUser == 1
      ${If} $UserRun == 0
        !insertmacro UnselectSection ${SecStartup}
      ${EndIf}
    ${ElseIf} ${Errors}
      !insertmacro UnselectSection ${SecStartup}
    ${EndIf}
  ${EndIf}
FunctionEnd

; Both run with the rights of the user's copy; the copy elevated for him
; leaves them to it.
Function RunSetUp
  ${If} $ForUser == 1
    IntOp $Choices $Choices | ${CHOSE_SETUP}
    Call LeaveChoices
  ${Else}
    ExecWait '"$INSTDIR\vorlane.exe" -i'
  ${EndIf}
FunctionEnd

Function StartVorlane
  ${If} $ForUser == 1
    IntOp $Choices $Choices | ${CHOSE_START}
    Call LeaveChoices
  ${Else}
    Exec '"$INSTDIR\vorlane.exe"'
  ${EndIf}
FunctionEnd

Function un.onInit
  ; On Vista and later the uninstaller, started with the user's rights, runs
  ; itself again as an administrator, as before.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $0
  ${If} ${Errors}
  ${AndIf} ${AtLeastWinVista}
    ; This is the uninstaller's copy in %TEMP%, started with _?= naming the
    ; folder, which the parameters no longer show: the elevated one needs it.
    StrCpy $R0 "/ELEVATED $R0 _?=$INSTDIR"
    Call un.RunAsAdmin
    ${If} $0 == ""
      StrCpy $0 740
    ${ElseIf} $0 == 0
      ; This user's note of his task and his Run value, also when another
      ; account's password elevated the uninstaller.
      DeleteRegValue HKCU "${SETTINGS_KEY}" "${TASK_NOTE}"
      DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
    ${EndIf}
    SetErrorLevel $0
    Quit
  ${EndIf}
  !insertmacro REQUIRE_ADMIN
  !insertmacro USE_NATIVE_VIEW
FunctionEnd

; Every user's logon task (Vista and later), found by its file in the
; system's task folder, which only an administrator may list; on 64-bit
; Windows the real System32 holds it.
Function un.RemoveStartupTasks
  ${IfNot} ${AtLeastWinVista}
    Return
  ${EndIf}
  ${DisableX64FSRedirection}
  FindFirst $1 $2 "$WINDIR\System32\Tasks\${TASK_PREFIX}S-*"
  ${DoWhile} $2 != ""
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "$2" /F'
    Pop $0
    FindNext $1 $2
  ${Loop}
  FindClose $1
  ${EnableX64FSRedirection}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Call un.CloseRunningCopy
  ; Writes back a maintained default that is still pending, so BOOT.INI is not
  ; left on a one-time choice (nothing can be pending without VORLANE.INI).
  Call un.IniPath
  StrCpy $R1 $3
  ${If} ${FileExists} $R1
    ExecWait '"$INSTDIR\vorlane.exe" -q'
  ${EndIf}
  StrCpy $2 "Filename"
  Call un.ReadExactString
  StrCpy $R2 $3

  Delete "$INSTDIR\vorlane.exe"
  Delete "$INSTDIR\vorlane-user.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vorlane\Vorlane.lnk"
  Delete "$SMPROGRAMS\Vorlane\Uninstall Vorlane.lnk"
  RMDir "$SMPROGRAMS\Vorlane"
  DeleteRegValue HKCU "${RUN_KEY}" "Vorlane"
  DeleteRegValue HKCU "${SETTINGS_KEY}" "${TASK_NOTE}"
  Call un.RemoveStartupTasks
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  DeleteRegKey HKCU "${ACTIVE_SETUP_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION "Remove your Vorlane settings and VORLANE.INI as well?$\r$\n$\r$\nKeep them if you will install Vorlane again." /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Ostrevan"
    ; A VORLANE.INI located onto BOOT.INI itself must not take BOOT.INI along.
    ${If} $R1 != $R2
    ${AndIf} $R1 != ""
      Delete $R1
    ${EndIf}
  keep:
SectionEnd
