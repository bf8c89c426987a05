; OrvaneATS installer: installs for the current user only, into the user's own programs folder,
; without administrator rights. Japanese or English pages, by the system's language.
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.2.0 -DSTAGE=<folder with the release files>
;          -DICON=<orvaneats_sizes.ico> -DOUTFILE=<setup.exe> installer.nsi
;
; Silent use: setup.exe /S [/DESKTOP] [/D=<folder>]   uninstall.exe /S

; A 64-bit installer for a 64-bit program: it runs wherever the program does (also under a
; 64-bit-only Wine).
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "OrvaneATS"
!define PUBLISHER "The OrvaneATS authors"
!define EXE "orvaneats.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PROGRAMS_FOLDER "$LOCALAPPDATA\Programs"
!define MENU_SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define DESKTOP_SHORTCUT "$DESKTOP\${PRODUCT}.lnk"
; The main window's title: an installer or uninstaller must not replace a running program.
!define MAIN_WINDOW_CLASS "#32770"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAMS_FOLDER}\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright © 2026 ${PUBLISHER}. MIT License."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; NSIS picks the one that matches the user's UI language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SecProgramName ${LANG_ENGLISH} "${PRODUCT} (program, bell player, sounds)"
LangString SecProgramName ${LANG_JAPANESE} "${PRODUCT}（本体、ベル再生プログラム、音声）"
LangString SecDesktopName ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktopName ${LANG_JAPANESE} "デスクトップにショートカットを作る"
LangString CloseProgram ${LANG_ENGLISH} "${PRODUCT} is running. Close it, then click Retry."
LangString CloseProgram ${LANG_JAPANESE} "${PRODUCT} が起動しています。終了してから「再試行」を押してください。"

Var CreatedProgramsFolder

; Waits until no OrvaneATS main window is open; the user may cancel (silent runs cancel at once).
!macro WaitForProgramToClose
  ${Do}
    FindWindow $0 "${MAIN_WINDOW_CLASS}" "${PRODUCT}"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseProgram)" /SD IDCANCEL IDCANCEL`
      Abort
    ${EndIf}
  ${Loop}
!macroend

Section "!$(SecProgramName)" SecProgram
  SectionIn RO
  SetShellVarContext current

  ; Remember whether this install makes the programs folder, so that uninstalling takes away
  ; only what installing made. An earlier install's answer stands.
  ReadRegDWORD $CreatedProgramsFolder HKCU "${UNINSTALL_KEY}" "CreatedProgramsFolder"
  ${If} $CreatedProgramsFolder != 1
    StrCpy $CreatedProgramsFolder 0
    ${IfNot} ${FileExists} "${PROGRAMS_FOLDER}\*.*"
    ${AndIf} "$INSTDIR" == "${PROGRAMS_FOLDER}\${PRODUCT}"
      StrCpy $CreatedProgramsFolder 1
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${STAGE}\${EXE}"
  File "${STAGE}\atsbell.exe"
  File "${STAGE}\atsbell.wav"
  File "${STAGE}\atschime.wav"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortcut "${MENU_SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  ; One entry in the installed-programs list, whichever version was there before.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "CreatedProgramsFolder" $CreatedProgramsFolder
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(SecDesktopName)" SecDesktop
  SetShellVarContext current
  CreateShortcut "${DESKTOP_SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

; Installing again without the desktop shortcut takes away the one an earlier install made.
Section "-DropUnwantedDesktopShortcut"
  SetShellVarContext current
  ${IfNot} ${SectionIsSelected} ${SecDesktop}
    Delete "${DESKTOP_SHORTCUT}"
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext current
  ; The desktop shortcut is offered ticked when there is one, and chosen by /DESKTOP when silent.
  ${If} ${FileExists} "${DESKTOP_SHORTCUT}"
    !insertmacro SelectSection ${SecDesktop}
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/DESKTOP" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecDesktop}
  ${EndIf}
  !insertmacro WaitForProgramToClose
FunctionEnd

Function un.onInit
  !insertmacro WaitForProgramToClose
FunctionEnd

; Takes away exactly what the installer made: its files, shortcuts and registry values.
Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\atsbell.exe"
  Delete "$INSTDIR\atsbell.wav"
  Delete "$INSTDIR\atschime.wav"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "${MENU_SHORTCUT}"
  Delete "${DESKTOP_SHORTCUT}"
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "CreatedProgramsFolder"
  ${If} $0 = 1
    RMDir "${PROGRAMS_FOLDER}"  ; only when empty
  ${EndIf}
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
