; Pathstow's per-user installer (NSIS 3, Modern UI 2). Built by
; scripts/package.sh, which passes:
;   /DVERSION=1.13            the version, from CMake's project(VERSION)
;   /DVERSION4=1.13.0.0       the same with four parts, for the file version
;   /DEXE=.../Pathstow.exe    the program to install
;   /DICON=.../pathstow.ico   the program's icon
;   /DOUTFILE=.../Pathstow-1.13-setup.exe
;
; It runs with the user's rights only and installs into
; %LOCALAPPDATA%\Programs\Pathstow. Command line:
;   /S                silent
;   /SIGNIN           start Pathstow at sign-in (the default on a first install)
;   /NOSIGNIN         do not start Pathstow at sign-in
; (without either, an upgrade keeps the choice made before)
;   /NOSTART          silent: do not start Pathstow when the install is done
;   /D=folder         another folder (last on the line, unquoted)
; and for Uninstall.exe:
;   /S                silent (the bookmarks are kept)
;   /REMOVEBOOKMARKS  also delete the bookmark list

!ifndef VERSION | VERSION4 | EXE | ICON | OUTFILE
  !error "scripts/package.sh passes VERSION, VERSION4, EXE, ICON and OUTFILE"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Pathstow"
!define PUBLISHER "Kelvane Software"
!define PROGRAM "Pathstow.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Where the program keeps its bookmark list and settings.
!define SETTINGS_KEY "Software\Kelvane\${PRODUCT}"
!define SETTINGS_PARENT_KEY "Software\Kelvane"
; The program's hidden top-level window: WM_CLOSE to it ends the program.
!define WINDOW_CLASS "DummyClass"
; How long a running copy is given to close, per copy.
!define CLOSE_WAIT_MS 10000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An upgrade goes where the first install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PUBLISHER}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var StartAtSignIn     ; 1: the Run entry is written
Var NoStart           ; 1: a silent install does not start the program
Var RemoveBookmarks   ; 1: the uninstaller deletes the bookmark list
Var Checkbox

; -- Installer pages -----------------------------------------------------------

!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
Page custom OptionsPage OptionsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

; -- Uninstaller pages ---------------------------------------------------------

UninstPage custom un.OptionsPage un.OptionsPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

; The first language is the one used when the user's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!include /CHARSET=UTF8 "English.nsh"
!include /CHARSET=UTF8 "French.nsh"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Freeware - all rights reserved"

; -- Closing running copies ----------------------------------------------------

; Asks every running copy of the installed program to close, and waits for
; each one to exit. Only processes whose image is $INSTDIR\Pathstow.exe are
; asked: a renamed copy, a portable copy elsewhere or another user's install
; is left alone. The request is the one the program answers by ending cleanly
; (dialogs cancelled, icon removed): WM_CLOSE to its hidden window. Nothing is
; ever killed. When a copy does not exit in time, the user may retry; a
; silent run gives up and fails.
!macro DEFINE_CLOSE_RUNNING un
Function ${un}CloseRunningCopies
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R8

  ; The installed program's long path, as a process reports its image.
  ; Paths go to the calls through registers, never pasted into the call text.
  StrCpy $R3 "$INSTDIR\${PROGRAM}"
  System::Call 'kernel32::GetLongPathNameW(w R3, w .R8, i ${NSIS_MAX_STRLEN}) i .R4'
  ${If} $R4 = 0
    Goto done ; not installed: no copy of it can run
  ${EndIf}

  again:
  StrCpy $R0 0
  next:
    System::Call 'user32::FindWindowExW(p 0, p $R0, w "${WINDOW_CLASS}", p 0) p .R0'
    ${If} $R0 P= 0
      Goto done
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p $R0, *i .R1)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION: enough to read its
    ; image and wait for it, not to end it.
    System::Call 'kernel32::OpenProcess(i 0x00101000, i 0, i $R1) p .R2'
    ${If} $R2 P= 0
      Goto next
    ${EndIf}
    System::Call 'kernel32::QueryFullProcessImageNameW(p $R2, i 0, w .R3, *i ${NSIS_MAX_STRLEN}) i .R4'
    ${If} $R4 = 0
    ${OrIf} $R3 != $R8
      System::Call 'kernel32::CloseHandle(p $R2)'
      Goto next
    ${EndIf}
    DetailPrint "$(Closing)"
    System::Call 'user32::PostMessageW(p $R0, i ${WM_CLOSE}, p 0, p 0)'
    System::Call 'kernel32::WaitForSingleObject(p $R2, i ${CLOSE_WAIT_MS}) i .R5'
    System::Call 'kernel32::CloseHandle(p $R2)'
    ${If} $R5 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY again
      DetailPrint "$(StillRunning)"
      SetErrorLevel 3
      Abort
    ${EndIf}
    Goto again ; the window list has changed: look again from its start

  done:
  Pop $R8
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Waits until $INSTDIR\Pathstow.exe can be written: a program whose window
; was not found (still starting, or in another desktop) keeps its file busy.
Function ${un}WaitUntilFree
  Push $R0
  Push $R1
  IfFileExists "$INSTDIR\${PROGRAM}" 0 free
  again:
  StrCpy $R1 0
  try:
    ClearErrors
    FileOpen $R0 "$INSTDIR\${PROGRAM}" a
    ${IfNot} ${Errors}
      FileClose $R0
      Goto free
    ${EndIf}
    IntOp $R1 $R1 + 1
    ${If} $R1 < 40
      Sleep 250
      Goto try
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY again
    DetailPrint "$(StillRunning)"
    SetErrorLevel 3
    Abort
  free:
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING ""
!insertmacro DEFINE_CLOSE_RUNNING "un."

; -- Installer -----------------------------------------------------------------

Function .onInit
  SetShellVarContext current
  ${GetParameters} $R0
  StrCpy $StartAtSignIn ${BST_CHECKED}
  ; An upgrade keeps the choice made before: installed without the Run entry
  ; means the user did not want it.
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
    ReadRegStr $R2 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${If} $R2 == ""
      StrCpy $StartAtSignIn ${BST_UNCHECKED}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SIGNIN" $R1
  ${IfNot} ${Errors}
    StrCpy $StartAtSignIn ${BST_CHECKED}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOSIGNIN" $R1
  ${IfNot} ${Errors}
    StrCpy $StartAtSignIn ${BST_UNCHECKED}
  ${EndIf}
  StrCpy $NoStart 0
  ClearErrors
  ${GetOptions} $R0 "/NOSTART" $R1
  ${IfNot} ${Errors}
    StrCpy $NoStart 1
  ${EndIf}
FunctionEnd

Function OptionsPage
  !insertmacro MUI_HEADER_TEXT "$(OptionsTitle)" "$(OptionsSubtitle)"
  nsDialogs::Create 1018
  Pop $R0
  ${If} $R0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 40u "$(OptionsText)"
  Pop $R0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "$(SignInOption)"
  Pop $Checkbox
  ${NSD_SetState} $Checkbox $StartAtSignIn
  nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
  ${NSD_GetState} $Checkbox $StartAtSignIn
FunctionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${PROGRAM}"'
FunctionEnd

Section "-Pathstow"
  SetOutPath "$INSTDIR"
  Call CloseRunningCopies
  Call WaitUntilFree

  File "/oname=${PROGRAM}" "${EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The working folder of the shortcut is the install folder.
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
                 SW_SHOWNORMAL "" "$(ShortcutComment)"

  ${If} $StartAtSignIn == ${BST_CHECKED}
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${PROGRAM}"'
  ${Else}
    ReadRegStr $R0 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${If} $R0 == '"$INSTDIR\${PROGRAM}"'
      DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
  ${EndIf}

  ; Size of what was installed, in KB, rounded up.
  ${GetSize} "$INSTDIR" "/M=${PROGRAM} /S=0B /G=0" $R0 $R1 $R2
  ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0B /G=0" $R1 $R2 $R3
  IntOp $R0 $R0 + $R1
  IntOp $R0 $R0 + 1023
  IntOp $R0 $R0 / 1024

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInstSuccess
  ; The finish page offers the start; a silent install starts it unless told not to.
  ${If} ${Silent}
  ${AndIf} $NoStart == 0
    Call StartProgram
  ${EndIf}
FunctionEnd

; -- Uninstaller ---------------------------------------------------------------

Function un.onInit
  SetShellVarContext current
  StrCpy $RemoveBookmarks ${BST_UNCHECKED}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEBOOKMARKS" $R1
  ${IfNot} ${Errors}
    StrCpy $RemoveBookmarks ${BST_CHECKED}
  ${EndIf}
FunctionEnd

Function un.OptionsPage
  !insertmacro MUI_HEADER_TEXT "$(UninstallTitle)" "$(UninstallSubtitle)"
  nsDialogs::Create 1018
  Pop $R0
  ${If} $R0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 64u "$(UninstallText)"
  Pop $R0
  ${NSD_CreateCheckbox} 0 72u 100% 12u "$(RemoveBookmarksOption)"
  Pop $Checkbox
  ${NSD_SetState} $Checkbox $RemoveBookmarks
  GetDlgItem $R0 $HWNDPARENT 1
  SendMessage $R0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.OptionsPageLeave
  ${NSD_GetState} $Checkbox $RemoveBookmarks
FunctionEnd

; Removes only what the installer made: its two files (the folder only when
; nothing else is left in it), its shortcut, and the Run entry and uninstall
; key when they still name this copy.
Section "Uninstall"
  ; Whether the system's list of programs names this copy, compared as long
  ; paths while the folder still exists.
  StrCpy $R9 0
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R1 "$INSTDIR"
  System::Call 'kernel32::GetLongPathNameW(w R0, w .R2, i ${NSIS_MAX_STRLEN}) i .R4'
  System::Call 'kernel32::GetLongPathNameW(w R1, w .R3, i ${NSIS_MAX_STRLEN}) i .R5'
  ${If} $R4 <> 0
  ${AndIf} $R5 <> 0
  ${AndIf} $R2 == $R3
    StrCpy $R9 1
  ${EndIf}

  Call un.CloseRunningCopies
  Call un.WaitUntilFree

  ReadRegStr $R0 HKCU "${RUN_KEY}" "${PRODUCT}"
  ${If} $R0 == '"$INSTDIR\${PROGRAM}"'
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\${PROGRAM}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"

  ${If} $RemoveBookmarks == ${BST_CHECKED}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT_KEY}"
  ${EndIf}

  ; Last, so that a failed uninstall can be run again from the system's list.
  ${If} $R9 = 1
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
