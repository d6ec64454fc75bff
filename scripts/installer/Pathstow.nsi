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
;   _?=folder         run in place from the install folder and end only when
;                     done (last on the line, unquoted); without it the
;                     uninstaller hands its work to a copy of itself in
;                     %TEMP% and ends at once, before any of its code runs
;
; Exit codes (the uninstaller's when run with _?=): 0 done; 1 cancelled by
; the user; 2 the folder cannot be made (setup) or something could not be
; removed (uninstall); 3 a running Pathstow did not close.

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
; Task Manager's Startup tab keeps its switch for a Run entry here, under the
; entry's name: a REG_BINARY whose first byte is odd (03) when switched off.
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
; Where the program keeps its bookmark list and settings.
!define SETTINGS_KEY "Software\Kelvane\${PRODUCT}"
!define SETTINGS_PARENT_KEY "Software\Kelvane"
; The program's hidden top-level window: WM_CLOSE to it ends the program.
!define WINDOW_CLASS "DummyClass"
; How long a running copy is given to close, per copy.
!define CLOSE_WAIT_MS 10000
; Exit codes besides NSIS's own 0 (done) and 1 (cancelled).
!define EXIT_FAILED 2
!define EXIT_STILL_RUNNING 3

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
!include WinCore.nsh
!include Win\COM.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Var StartAtSignIn     ; BST_CHECKED: the Run entry is written
Var SignInChosen      ; 1: chosen for this install (a switch, the options page
                      ; or a first install); 0: an upgrade keeps the earlier choice
Var NoStart           ; 1: a silent install does not start the program
Var RemoveBookmarks   ; 1: the uninstaller deletes the bookmark list
Var Checkbox
Var FolderProblem     ; why a folder cannot take the install, in the user's language
Var AskFolder         ; 1: the folder given with /D= cannot be used: the folder page asks
Var BadFolder         ; the folder in FolderProblem's text
Var FolderDetail      ; the drive, file or system message in FolderProblem's text
Var OldDir            ; an earlier install in another folder, which this one replaces
Var Leftovers         ; what the uninstaller could not remove, one a line

; -- Installer pages -----------------------------------------------------------

!define MUI_WELCOMEPAGE_TEXT "$(WelcomeText)"
!insertmacro MUI_PAGE_WELCOME
; Shown only when the folder given with /D= cannot take the install.
!define MUI_PAGE_CUSTOMFUNCTION_PRE FolderPagePre
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
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

; -- Paths ---------------------------------------------------------------------

; Paths are compared in their long forms (no 8.3 short names) and without
; regard to case, as Windows names files (StrCmp and LogicLib's == ignore
; case). They go to the calls through registers, never pasted into the call
; text.
!macro DEFINE_PATH_FUNCTIONS un
; Push path, Call LongPath, Pop long: the long form of a path. One that does
; not exist (a file already deleted) keeps its last part as given, after the
; long form of its folder.
Function ${un}LongPath
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  System::Call 'kernel32::GetLongPathNameW(w R0, w .R1, i ${NSIS_MAX_STRLEN}) i .R2'
  ${If} $R2 <> 0
  ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
    StrCpy $R0 $R1
  ${Else}
    ${GetParent} $R0 $R1
    System::Call 'kernel32::GetLongPathNameW(w R1, w .R3, i ${NSIS_MAX_STRLEN}) i .R2'
    ${If} $R2 <> 0
    ${AndIf} $R2 < ${NSIS_MAX_STRLEN}
      StrCpy $R2 $R3 1 -1
      ${IfThen} $R2 == "\" ${|} StrCpy $R3 $R3 -1 ${|}
      ${GetFileName} $R0 $R1
      StrCpy $R0 "$R3\$R1"
    ${EndIf}
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Push a, Push b, Call SamePath, Pop result: 1 when a and b name the same
; file or folder, 0 otherwise (an empty path names nothing).
Function ${un}SamePath
  Exch $R1
  Exch
  Exch $R0
  Push $R0
  Call ${un}LongPath
  Pop $R0
  Push $R1
  Call ${un}LongPath
  Pop $R1
  ${If} $R0 != ""
  ${AndIf} $R0 == $R1
    StrCpy $R0 1
  ${Else}
    StrCpy $R0 0
  ${EndIf}
  Exch
  Pop $R1
  Exch $R0
FunctionEnd

; Push command, Push folder, Call IsProgramOf, Pop result: 1 when the
; command (a path, maybe in quotes and followed by arguments, as in a Run
; entry) starts folder\Pathstow.exe.
Function ${un}IsProgramOf
  Exch $R1
  Exch
  Exch $R0
  Push $R2
  Push $R3
  StrCpy $R2 $R0 1
  ${If} $R2 == '"'
    StrCpy $R0 $R0 "" 1
    StrCpy $R2 0
    ${Do}
      StrCpy $R3 $R0 1 $R2
      ${If} $R3 == '"'
      ${OrIf} $R3 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $R2 $R2 + 1
    ${Loop}
    StrCpy $R0 $R0 $R2
  ${EndIf}
  Push $R0
  Push "$R1\${PROGRAM}"
  Call ${un}SamePath
  Pop $R0
  Pop $R3
  Pop $R2
  Exch
  Pop $R1
  Exch $R0
FunctionEnd

!macroend
!insertmacro DEFINE_PATH_FUNCTIONS ""
!insertmacro DEFINE_PATH_FUNCTIONS "un."

; Push shortcut, Call ShortcutTarget, Pop target: the path a .lnk file
; starts ("" when there is none or it cannot be read).
Function un.ShortcutTarget
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R3 ""
  ${If} ${FileExists} $R0
    !insertmacro ComHlpr_CreateInProcInstance ${CLSID_ShellLink} ${IID_IShellLink} R1 ""
    ${If} $R1 P<> 0
      ${IUnknown::QueryInterface} $R1 '("${IID_IPersistFile}",.R2)'
      ${If} $R2 P<> 0
        System::Call '$R2->5(w R0, i ${STGM_READ}) i .R0'
        ${If} $R0 = 0
          System::Call '$R1->3(w .R3, i ${NSIS_MAX_STRLEN}, p 0, i 0) i .R0'
          ${IfThen} $R0 <> 0 ${|} StrCpy $R3 "" ${|}
        ${EndIf}
        ${IUnknown::Release} $R2 ""
      ${EndIf}
      ${IUnknown::Release} $R1 ""
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $R3
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Call StartupSwitchedOff, Pop result: 1 when Task Manager's Startup tab has
; switched the Run entry off, 0 otherwise.
Function StartupSwitchedOff
  Push $R0
  Push $R1
  Push $R2
  StrCpy $R2 0
  System::Alloc 64
  Pop $R0
  ; RRF_RT_REG_BINARY; the mark is 12 bytes long.
  System::Call 'advapi32::RegGetValueW(p ${HKEY_CURRENT_USER}, w "${STARTUP_APPROVED_KEY}", w "${PRODUCT}", i 0x8, p 0, p R0, *i 64) i .R1'
  ${If} $R1 = 0
    System::Call '*$R0(&i1 .R2)'
    IntOp $R2 $R2 & 1
  ${EndIf}
  System::Free $R0
  StrCpy $R0 $R2
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; -- Closing running copies ----------------------------------------------------

; Push folder, Call CloseRunningCopies: asks every running copy of the
; program installed in that folder to close, and waits for each one to exit.
; Only processes whose image is folder\Pathstow.exe are asked: a renamed
; copy, a portable copy elsewhere or another user's install is left alone.
; The request is the one the program answers by ending cleanly (dialogs
; cancelled, icon removed): WM_CLOSE to its hidden window. Nothing is ever
; killed. When a copy does not exit in time, the user may retry; a silent run
; gives up and fails.
!macro DEFINE_CLOSE_RUNNING un
Function ${un}CloseRunningCopies
  Exch $R6
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R8

  ; The installed program's long path, as a process reports its image.
  StrCpy $R3 "$R6\${PROGRAM}"
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
      SetErrorLevel ${EXIT_STILL_RUNNING}
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
  Pop $R6
FunctionEnd

; Push folder, Call WaitUntilFree: waits until folder\Pathstow.exe can be
; written: a program whose window was not found (still starting, or in
; another desktop) keeps its file busy.
Function ${un}WaitUntilFree
  Exch $R2
  Push $R0
  Push $R1
  IfFileExists "$R2\${PROGRAM}" 0 free
  again:
  StrCpy $R1 0
  try:
    ClearErrors
    FileOpen $R0 "$R2\${PROGRAM}" a
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
    SetErrorLevel ${EXIT_STILL_RUNNING}
    Abort
  free:
  Pop $R1
  Pop $R0
  Pop $R2
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING ""
!insertmacro DEFINE_CLOSE_RUNNING "un."

; -- Installer -----------------------------------------------------------------

; Call FolderOnCommandLine, Pop folder: the folder given with /D=, as typed
; ("" without one). NSIS cuts it from $CMDLINE, and where it cannot use it,
; it has put its default into $INSTDIR before .onInit runs.
Function FolderOnCommandLine
  Push $R0
  Push $R1
  Push $R2
  System::Call 'kernel32::GetCommandLineW() w .R0'
  StrCpy $R1 0
  ${Do}
    StrCpy $R2 $R0 4 $R1
    ${If} $R2 == ""
      StrCpy $R0 ""
      ${ExitDo}
    ${EndIf}
    ${If} $R2 S== " /D="
      IntOp $R1 $R1 + 4
      StrCpy $R0 $R0 "" $R1
      ${ExitDo}
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Push folder, Call CheckFolder: sets $FolderProblem to why that folder
; cannot take the install, in the user's language ("" when it can). A
; folder that does not exist yet is made for the test, then removed again
; with the folders made for it.
Function CheckFolder
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $FolderProblem ""
  ${Do}
    StrCpy $R1 $R0 1 -1
    ${IfThen} $R1 != "\" ${|} ${ExitDo} ${|}
    StrCpy $R0 $R0 -1
  ${Loop}
  StrCpy $BadFolder $R0

  ; A full path, of a folder inside a drive ("X:\...") or a network share.
  ${GetRoot} $R0 $R3
  StrCpy $R1 $R0 1 2
  StrCpy $R2 $R0 2
  ${If} $R2 != "\\"
  ${AndIf} $R1 != "\"
    StrCpy $R3 "" ; "X:folder" or "folder"
  ${EndIf}
  ${If} $R3 == ""
  ${OrIf} $R0 == $R3
    StrCpy $FolderProblem "$(FolderNotFull)"
    Goto done
  ${EndIf}

  ; The nearest folder that exists; no part of the path may be a file.
  StrCpy $R1 $R0
  ${Do}
    StrCpy $R2 $R1
    ${IfThen} $R1 == $R3 ${|} StrCpy $R2 "$R1\" ${|} ; a drive's own folder
    System::Call 'kernel32::GetFileAttributesW(w R2) i .R2'
    ${If} $R2 <> -1
      IntOp $R2 $R2 & 0x10 ; FILE_ATTRIBUTE_DIRECTORY
      ${IfThen} $R2 <> 0 ${|} ${ExitDo} ${|}
      StrCpy $FolderDetail $R1
      StrCpy $FolderProblem "$(FolderIsFile)"
      Goto done
    ${EndIf}
    ${If} $R1 == $R3
      StrCpy $FolderDetail $R3
      StrCpy $FolderProblem "$(FolderNoDrive)"
      Goto done
    ${EndIf}
    ${GetParent} $R1 $R1
  ${Loop}

  ; The rest is made, to see that it can be, and removed again.
  ${If} $R1 != $R0
    System::Call 'shell32::SHCreateDirectoryExW(p 0, w R0, p 0) i .R2'
    ${If} $R2 = 0
      StrCpy $R2 $R0
      ${DoWhile} $R2 != $R1
        RMDir $R2
        ${GetParent} $R2 $R2
      ${Loop}
    ${Else}
      ; FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS
      System::Call 'kernel32::FormatMessageW(i 0x1200, p 0, i R2, i 0, w .R3, i ${NSIS_MAX_STRLEN}, p 0) i .R1'
      ${If} $R1 = 0
        StrCpy $R3 "$(SystemError)"
      ${EndIf}
      ${Do}
        StrCpy $R1 $R3 1 -1
        ${If} $R1 != "$\n"
        ${AndIf} $R1 != "$\r"
          ${ExitDo}
        ${EndIf}
        StrCpy $R3 $R3 -1
      ${Loop}
      StrCpy $FolderDetail $R3
      StrCpy $FolderProblem "$(FolderNotMade)"
    ${EndIf}
  ${EndIf}

  done:
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

Function .onInit
  SetShellVarContext current
  ${GetParameters} $R0
  ; Start at sign-in: on for a first install; an upgrade keeps the choice
  ; made before (installed without the Run entry means the user did not
  ; want it), unless a switch or the options page says otherwise.
  StrCpy $StartAtSignIn ${BST_CHECKED}
  StrCpy $SignInChosen 1
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
    StrCpy $SignInChosen 0
    ReadRegStr $R2 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${If} $R2 == ""
      StrCpy $StartAtSignIn ${BST_UNCHECKED}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SIGNIN" $R1
  ${IfNot} ${Errors}
    StrCpy $StartAtSignIn ${BST_CHECKED}
    StrCpy $SignInChosen 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOSIGNIN" $R1
  ${IfNot} ${Errors}
    StrCpy $StartAtSignIn ${BST_UNCHECKED}
    StrCpy $SignInChosen 1
  ${EndIf}
  StrCpy $NoStart 0
  ClearErrors
  ${GetOptions} $R0 "/NOSTART" $R1
  ${IfNot} ${Errors}
    StrCpy $NoStart 1
  ${EndIf}

  ; A folder given with /D= that cannot take the install: NSIS would
  ; quietly install into its default folder instead. A silent install fails;
  ; the wizard says why and asks for another folder.
  StrCpy $AskFolder 0
  Call FolderOnCommandLine
  Pop $R1
  ${If} $R1 != ""
    Push $R1
    Call CheckFolder
    ${If} $FolderProblem == ""
      Push $R1
      Push $INSTDIR
      Call SamePath
      Pop $R2
      ${If} $R2 = 0 ; refused by NSIS for a reason of its own
        StrCpy $BadFolder $R1
        StrCpy $FolderProblem "$(FolderNotFull)"
      ${EndIf}
    ${EndIf}
    ${If} $FolderProblem != ""
      ${If} ${Silent}
        SetErrorLevel ${EXIT_FAILED}
        Abort
      ${EndIf}
      MessageBox MB_OK|MB_ICONEXCLAMATION "$FolderProblem$\r$\n$\r$\n$(ChooseFolder)"
      StrCpy $AskFolder 1
    ${EndIf}
  ${EndIf}
FunctionEnd

Function FolderPagePre
  ${If} $AskFolder <> 1
    Abort
  ${EndIf}
FunctionEnd

Function FolderPageLeave
  Push $INSTDIR
  Call CheckFolder
  ${If} $FolderProblem != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$FolderProblem$\r$\n$\r$\n$(ChooseFolder)"
    Abort
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
  ; The box shows whether Pathstow starts at sign-in now: an entry switched
  ; off in Task Manager does not start it.
  StrCpy $R1 $StartAtSignIn
  ${If} $SignInChosen = 0
  ${AndIf} $R1 == ${BST_CHECKED}
    Call StartupSwitchedOff
    Pop $R2
    ${IfThen} $R2 = 1 ${|} StrCpy $R1 ${BST_UNCHECKED} ${|}
  ${EndIf}
  ${NSD_SetState} $Checkbox $R1
  nsDialogs::Show
FunctionEnd

Function OptionsPageLeave
  ${NSD_GetState} $Checkbox $StartAtSignIn
  StrCpy $SignInChosen 1
FunctionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${PROGRAM}"'
FunctionEnd

Section "-Pathstow"
  ; The folder first: one that cannot be made fails the install before
  ; anything else is done.
  ClearErrors
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    Push $INSTDIR
    Call CheckFolder
    ${If} $FolderProblem == ""
      StrCpy $BadFolder $INSTDIR
      StrCpy $FolderDetail ""
      StrCpy $FolderProblem "$(FolderNotMade)"
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "$FolderProblem" /SD IDOK
    DetailPrint "$FolderProblem"
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}
  ; What the entries below record is the folder's long path.
  Push $INSTDIR
  Call LongPath
  Pop $INSTDIR

  ; An earlier install in another folder: this one replaces it.
  StrCpy $OldDir ""
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Push $R0
  Push $INSTDIR
  Call SamePath
  Pop $R1
  ${If} $R0 != ""
  ${AndIf} $R1 = 0
    ${If} ${FileExists} "$R0\${PROGRAM}"
    ${OrIf} ${FileExists} "$R0\${UNINSTALLER}"
      StrCpy $OldDir $R0
    ${EndIf}
  ${EndIf}

  Push $INSTDIR
  Call CloseRunningCopies
  ${If} $OldDir != ""
    Push $OldDir
    Call CloseRunningCopies
  ${EndIf}
  Push $INSTDIR
  Call WaitUntilFree
  ${If} $OldDir != ""
    Push $OldDir
    Call WaitUntilFree
  ${EndIf}

  File "/oname=${PROGRAM}" "${EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ; The working folder of the shortcut is the install folder.
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
                 SW_SHOWNORMAL "" "$(ShortcutComment)"

  ${If} $StartAtSignIn == ${BST_CHECKED}
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\${PROGRAM}"'
    ; Chosen now: an entry switched off in Task Manager's Startup tab would
    ; not start it. An upgrade that keeps the earlier choice keeps that too.
    ${If} $SignInChosen = 1
      DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
    ${EndIf}
  ${Else}
    ; The entry goes when it starts this copy or the one replaced.
    ReadRegStr $R0 HKCU "${RUN_KEY}" "${PRODUCT}"
    Push $R0
    Push $INSTDIR
    Call IsProgramOf
    Pop $R1
    ${If} $R1 = 0
    ${AndIf} $OldDir != ""
      Push $R0
      Push $OldDir
      Call IsProgramOf
      Pop $R1
    ${EndIf}
    ${If} $R1 = 1
      DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
      DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
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
  ; Run in place, it ends when its work is done, with its real exit code.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; The replaced install's two files go, and its folder when nothing else is
  ; left in it.
  ${If} $OldDir != ""
    Delete "$OldDir\${PROGRAM}"
    Delete "$OldDir\${UNINSTALLER}"
    RMDir "$OldDir"
  ${EndIf}
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

; NSIS reads its own file through a handle that it keeps open while it runs,
; sharing it for reading only: nobody may rename the file meanwhile, not even
; this process. Once an uninstaller has nothing more to read from it (no
; files; its plug-ins are unpacked by now, the pages' included), it may close
; that handle. It is found among the process's handles by the file it names
; (volume serial number and file index, from GetFileInformationByHandle:
; 13 DWORDs, the serial number 8th, the index 12th and 13th).
Function un.ReleaseOwnFile
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $0 $EXEPATH
  ; FILE_READ_ATTRIBUTES, any sharing, OPEN_EXISTING: allowed beside NSIS's handle.
  System::Call 'kernel32::CreateFileW(w r0, i 0x80, i 7, p 0, i 3, i 0, p 0) p .r1'
  ${If} $1 P<> -1
    System::Alloc 52
    Pop $2
    System::Call 'kernel32::GetFileInformationByHandle(p r1, p r2) i .r3'
    System::Call '*$2(i, i, i, i, i, i, i, i .r4, i, i, i, i .r5, i .r6)'
    System::Call 'kernel32::CloseHandle(p r1)'
    ${If} $3 <> 0
      StrCpy $3 4
      ${Do}
        System::Call 'kernel32::GetFileInformationByHandle(p r3, p r2) i .r7'
        ${If} $7 <> 0
          System::Call '*$2(i, i, i, i, i, i, i, i .r7, i, i, i, i .r8, i .r0)'
          ${If} $7 = $4
          ${AndIf} $8 = $5
          ${AndIf} $0 = $6
            System::Call 'kernel32::CloseHandle(p r3)'
            ${ExitDo}
          ${EndIf}
        ${EndIf}
        IntOp $3 $3 + 4
      ${LoopWhile} $3 < 65536
    ${EndIf}
    System::Free $2
  ${EndIf}
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes Uninstall.exe from the install folder. Run in place (_?=), it is
; this very program: Windows deletes no file of a running program, but lets
; it be moved on its drive. Once released, it goes into $PLUGINSDIR, in the
; user's temporary folder, which the uninstaller deletes as it ends; where
; Windows still refuses, the file stays among the temporary files, as does
; the copy that NSIS runs from there without _?=. A folder on another drive
; than the temporary folder keeps it: the uninstall then reports it.
Function un.RemoveUninstaller
  Push $R0
  Push $EXEPATH
  Push "$INSTDIR\${UNINSTALLER}"
  Call un.SamePath
  Pop $R0
  ${If} $R0 = 1
    Call un.ReleaseOwnFile
    InitPluginsDir
    Rename "$INSTDIR\${UNINSTALLER}" "$PLUGINSDIR\${UNINSTALLER}"
    Delete "$PLUGINSDIR\${UNINSTALLER}"
  ${Else}
    Delete "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  Pop $R0
FunctionEnd

; Removes only what the installer made for this copy: its two files (the
; folder only when nothing else is left in it), and the shortcut, the Run
; entry (with Task Manager's switch for it) and the uninstall key when they
; name this copy. Exit code 0 only when all of that is gone.
Section "Uninstall"
  StrCpy $Leftovers ""
  ; Whether the system's list of programs names this copy, compared while
  ; the folder still exists.
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Push $R0
  Push $INSTDIR
  Call un.SamePath
  Pop $R9

  Push $INSTDIR
  Call un.CloseRunningCopies
  Push $INSTDIR
  Call un.WaitUntilFree

  ; The entries are compared with the program while it still exists.
  ReadRegStr $R0 HKCU "${RUN_KEY}" "${PRODUCT}"
  Push $R0
  Push $INSTDIR
  Call un.IsProgramOf
  Pop $R1
  ${If} $R1 = 1
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PRODUCT}"
    ReadRegStr $R0 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${IfThen} $R0 != "" ${|} StrCpy $Leftovers "$Leftovers$(RunEntryLeft)$\r$\n" ${|}
  ${EndIf}
  Push "$SMPROGRAMS\${PRODUCT}.lnk"
  Call un.ShortcutTarget
  Push $INSTDIR
  Call un.IsProgramOf
  Pop $R1
  ${If} $R1 = 1
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    ${IfThen} ${FileExists} "$SMPROGRAMS\${PRODUCT}.lnk" ${|} StrCpy $Leftovers "$Leftovers$SMPROGRAMS\${PRODUCT}.lnk$\r$\n" ${|}
  ${EndIf}

  Delete "$INSTDIR\${PROGRAM}"
  Call un.RemoveUninstaller
  RMDir "$INSTDIR"
  ${IfThen} ${FileExists} "$INSTDIR\${PROGRAM}" ${|} StrCpy $Leftovers "$Leftovers$INSTDIR\${PROGRAM}$\r$\n" ${|}
  ${IfThen} ${FileExists} "$INSTDIR\${UNINSTALLER}" ${|} StrCpy $Leftovers "$Leftovers$INSTDIR\${UNINSTALLER}$\r$\n" ${|}

  ${If} $RemoveBookmarks == ${BST_CHECKED}
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "${SETTINGS_PARENT_KEY}"
  ${EndIf}

  ${If} $Leftovers != ""
    MessageBox MB_OK|MB_ICONSTOP "$(NotRemoved)" /SD IDOK
    DetailPrint "$(NotRemoved)"
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}
  ; Last, so that a failed uninstall can be run again from the system's list.
  ${If} $R9 = 1
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
