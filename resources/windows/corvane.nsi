; The setup program of Corvane for Windows (NSIS 3, Unicode).
;   makensis -DVERSION=x.y.z -DSTAGE=<installed tree> -DOUTFILE=<setup.exe> -DFILES=<file list> corvane.nsi
; STAGE is what `cmake --install` laid out; FILES lists its files and folders for the
; uninstaller (made by cmake/SetupFileList.cmake), which removes exactly those and leaves the
; users' own files (%APPDATA%\corvane: Config.ini, presets, firmware files) in place.
; /S installs and uninstalls silently; /D=<folder> (last on the command line) picks the folder.

; A 64-bit installer for the 64-bit program (Windows refuses it on a 32-bit system).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Corvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PRODUCT}"
VIAddVersionKey "LegalCopyright" "Corvane developers; Qt under the LGPL 3"

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\corvane.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

; Files of a running Corvane cannot be replaced: the program holds the named mutex
; "CorvaneSys" while it runs. Asks to close it (a silent run gives up at once).
!macro WaitForCorvaneToClose un
Function ${un}WaitForCorvaneToClose
    ${Do}
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "CorvaneSys") p .r0'
        ${If} $0 == 0
            Return
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
            "Corvane is running. Close it, then press Retry." /SD IDCANCEL IDRETRY retry
        SetErrorLevel 2
        Abort
        retry:
    ${Loop}
FunctionEnd
!macroend
!insertmacro WaitForCorvaneToClose ""
!insertmacro WaitForCorvaneToClose "un."

Function .onInit
    SetRegView 64
    Call WaitForCorvaneToClose
FunctionEnd

Section "Corvane" SecMain
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\corvane.exe" "" "$INSTDIR\corvane.exe" 0
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvane.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
    SetRegView 64
    Call un.WaitForCorvaneToClose
FunctionEnd

Section "Uninstall"
    SetShellVarContext all
    ; Only what the setup program put there: the users' files live elsewhere and stay.
    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"

    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
