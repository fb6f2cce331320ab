; SPDX-License-Identifier: MIT
; The Windows installer: a per-user install of the portable package.
;
; Made by cmake/windows/MakePackage.cmake, which defines
;   VERSION  the program's version (3.8.0.3)
;   FILES    an include file with the macros QUILLET_INSTALL_FILES and QUILLET_REMOVE_FILES,
;            the package's files (Quillet.mdb aside) and folders
;   DATABASE the empty note database
;   OUTFILE  the installer to write
;
; The notes live beside the program (Quillet.mdb, backup\), so the program's folder must be the
; user's own: %LOCALAPPDATA%\Programs\Quillet, no administrator rights. Installing over an
; existing folder keeps its notes; uninstalling keeps them too and removes everything else it
; installed, the Start-menu shortcut, the Apps & features entry and the log-on start value when
; that value starts this folder's program. /S installs or uninstalls silently; /D=<folder> (last
; on the command line) chooses another folder.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define PRODUCT "Quillet"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillet"
ShowInstDetails nevershow
ShowUninstDetails nevershow
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" ""

!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillet.exe"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ProgramRunning 2052 "Quillet 正在运行。请先退出它（文件 → 退出程序），再点“重试”。"

; Quillet.exe cannot be replaced or deleted while it runs: ask the user to end it.
!macro QUILLET_WAIT_FOR_EXIT un
Function ${un}WaitForExit
    ${DoWhile} ${FileExists} "$INSTDIR\Quillet.exe"
        ClearErrors
        FileOpen $0 "$INSTDIR\Quillet.exe" a
        ${IfNot} ${Errors}
            FileClose $0
            ${Break}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY retry
        Abort
        retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro QUILLET_WAIT_FOR_EXIT ""
!insertmacro QUILLET_WAIT_FOR_EXIT "un."

Section
    Call WaitForExit
    SetOutPath "$INSTDIR"
    !insertmacro QUILLET_INSTALL_FILES
    SetOutPath "$INSTDIR"
    ; The notes of an earlier install stay as they are.
    ${IfNot} ${FileExists} "$INSTDIR\Quillet.mdb"
        File "${DATABASE}"
    ${EndIf}
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Quillet.lnk" "$INSTDIR\Quillet.exe"

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillet.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Call un.WaitForExit
    ; The log-on start value goes only when it starts this folder's program.
    ReadRegStr $0 HKCU "${RUN_KEY}" "Quillet"
    StrCpy $1 '"$INSTDIR\Quillet.exe"'
    StrLen $2 $1
    StrCpy $3 $0 $2
    ${If} $3 == $1
        DeleteRegValue HKCU "${RUN_KEY}" "Quillet"
    ${EndIf}

    !insertmacro QUILLET_REMOVE_FILES
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\Quillet.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; Quillet.mdb and backup\ stay, and with them the folder.
    RMDir "$INSTDIR"
SectionEnd
