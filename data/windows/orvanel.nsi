; The Windows installer: Orvanel.exe in Program Files\Orvanel, a Start menu shortcut that keeps the
; settings in %APPDATA%\Orvanel, and an uninstaller. Built by src/win/CMakeLists.txt:
;   makensis -DVERSION=1.0.0 -DEXE=Orvanel.exe -DICON=orvanel.ico -DOUTFILE=orvanel-setup-1.0.0.exe orvanel.nsi
Unicode true
; A 32-bit installer does nothing on a Windows without 32-bit support.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvanel"

Name "Orvanel ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Orvanel"
RequestExecutionLevel admin
ShowInstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductName" "Orvanel"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileDescription" "Instalador de Orvanel"
VIAddVersionKey /LANG=${LANG_SPANISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SPANISH} "LegalCopyright" "2026 The Orvanel developers"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Orvanel"
    SetOutPath "$INSTDIR"
    File "/oname=Orvanel.exe" "${EXE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; Started from the menu, Orvanel keeps config.cfg and orvanel.conf in the user's own folder.
    CreateShortcut "$SMPROGRAMS\Orvanel.lnk" "$INSTDIR\Orvanel.exe" "--settings-folder" "$INSTDIR\Orvanel.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Orvanel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orvanel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SMPROGRAMS\Orvanel.lnk"
    Delete "$INSTDIR\Orvanel.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
