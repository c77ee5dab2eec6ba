; The setup program of Nivora, one for each Windows: it puts nivora.scr into the system folder, offers to make it the
; user's screen saver, and registers an uninstaller that can take it all away again.
; Built by scripts/dist.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3 -DARCH=x64|x86 -DSCR=path/nivora.scr -DROOT=source-folder
;            -DOUTFILE=path/nivora-1.2.3-setup-x64.exe installer/nivora.nsi
; Silent: /S installs with the defaults; the uninstaller takes /S and /REMOVESETTINGS.
; With -DSIGN=scripts/sign.sh the uninstaller and the setup are signed as they are written (the certificate comes
; from the environment, see sign.sh).

!ifndef VERSION | ARCH | SCR | ROOT | OUTFILE
  !error "VERSION, ARCH, SCR, ROOT and OUTFILE must be defined"
!endif

Unicode true
!if ${ARCH} == x64
  Target amd64-unicode
!else if ${ARCH} == x86
  Target x86-unicode
!else
  !error "ARCH must be x64 or x86"
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivora"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SETTINGS_KEY "Software\Nivora"
!define PUBLISHER "The Nivora authors"
; The name of the other setup program, for the 32-bit one to point to on 64-bit Windows.
!define SETUP_X64 "nivora-${VERSION}-setup-x64.exe"

Name "Nivora"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written fails the installation (after Retry) instead of being skipped while reporting success.
AllowSkipFiles off
ManifestDPIAware true
BrandingText "Nivora ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
; The saver itself must lie in the system folder; this folder only holds the uninstaller and the licence texts.
!if ${ARCH} == x64
  InstallDir "$PROGRAMFILES64\Nivora"
!else
  InstallDir "$PROGRAMFILES\Nivora"
!endif

; The uninstaller is written while this script compiles and packed into the setup, so it is signed then, before it
; is packed; the setup once it is whole.
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
  !finalize '"${SIGN}" "%1"' = 0
!endif

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"

!define MUI_ICON "${ROOT}/resources/nivora.ico"
!define MUI_UNICON "${ROOT}/resources/nivora.ico"
!define MUI_ABORTWARNING
; Nivora's night desktop under snow beside the welcome and finish texts, 164 x 314 at 100 %; WizardPictureForScale
; swaps in a larger one on a scaled display.
!define MUI_WELCOMEFINISHPAGE_BITMAP "${ROOT}/resources/setup/wizard-100.bmp"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_UNCOMPONENTSPAGE_NODESC

!define MUI_PAGE_CUSTOMFUNCTION_PRE WizardPictureForScale
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
; The last page offers the display settings' screen-saver dialog, where Nivora now shows in the list and the preview.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(FinishOpenSettings)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
!define MUI_PAGE_CUSTOMFUNCTION_PRE WizardPictureForScale
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback; the setup follows the system's language.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
!include "lang/english.nsh"
!include "lang/japanese.nsh"

VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Nivora"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Nivora Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}, MIT licence"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"

; Both registry views and file systems are the native 64-bit ones in the 64-bit setup.
!macro UseNativeViews
  !if ${ARCH} == x64
    SetRegView 64
    ${DisableX64FSRedirection}
  !endif
!macroend

Function .onInit
  !if ${ARCH} == x86
    ; On 64-bit Windows the 32-bit saver would land in SysWOW64, out of sight of the display settings' list.
    ${If} ${RunningX64}
      MessageBox MB_OK|MB_ICONSTOP "$(MsgNeeds64BitSetup)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  !endif
  !insertmacro UseNativeViews
FunctionEnd

Section "$(SecProgram)" SecProgram
  SectionIn RO
  !insertmacro UseNativeViews

  ; Installing over an earlier installation replaces every file in place. A saver running now (the preview of the
  ; display settings, say) holds its file open; Windows still lets it be renamed, so it is moved aside and deleted at
  ; the next restart, and the new one takes its name at once.
  SetOverwrite on
  SetOutPath "$SYSDIR"
  ClearErrors
  Delete "$SYSDIR\nivora.scr"
  ${If} ${Errors}
    GetTempFileName $0 "$SYSDIR"
    Delete $0
    Rename "$SYSDIR\nivora.scr" $0
    Delete /REBOOTOK $0
  ${EndIf}
  File "/oname=nivora.scr" "${SCR}"
  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${ROOT}/LICENSE"
  File "/oname=THIRD_PARTY_NOTICES.txt" "${ROOT}/THIRD_PARTY_NOTICES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Nivora"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\nivora.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KB: the saver and the texts as they lie on disk, the uninstaller included.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=nivora.scr /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SecScreenSaver)" SecScreenSaver
  !insertmacro UseNativeViews
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\nivora.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; Tell the running session too, not only the next logon: SPI_SETSCREENSAVEACTIVE with SPIF_SENDCHANGE.
  System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 2)"
SectionEnd

; The page stretches its picture to the picture's place, which grows with the display's scale (the setup is DPI
; aware): the stored size at or next above that scale is taken, so the picture is shrunk a little, never blown up
; from 100 %. Runs before each page is made, after the 100 % picture was unpacked under the same name.
Function WizardPictureForScale
  Push $0
  Push $1
  System::Call "user32::GetDC(p 0) p.r1"
  System::Call "gdi32::GetDeviceCaps(p r1, i 88) i.r0"  ; LOGPIXELSX: 96 at 100 %
  System::Call "user32::ReleaseDC(p 0, p r1)"
  ${If} $0 > 144
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ROOT}/resources/setup/wizard-200.bmp"
  ${ElseIf} $0 > 120
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ROOT}/resources/setup/wizard-150.bmp"
  ${ElseIf} $0 > 96
    File "/oname=$PLUGINSDIR\modern-wizard.bmp" "${ROOT}/resources/setup/wizard-125.bmp"
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function OpenScreenSaverSettings
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

; Whether $0, a SCRNSAVE.EXE value, names the installed saver: by its stored form, its short (8.3) form, or its
; long form. Sets $1 to 1 or 0. Called while the file still exists, so the short and long forms can be asked for.
Function un.PointsAtNivora
  StrCpy $1 0
  StrCmp $0 "" done
  StrCmp $0 "$SYSDIR\nivora.scr" yes
  GetFullPathName /SHORT $2 "$SYSDIR\nivora.scr"
  StrCmp $2 "" +2
  StrCmp $0 $2 yes
  GetFullPathName $2 $0
  StrCmp $2 "" done
  StrCmp $2 "$SYSDIR\nivora.scr" yes done
  yes:
  StrCpy $1 1
  done:
FunctionEnd

Section "un.$(UnSecProgram)" SecUnProgram
  SectionIn RO
  !insertmacro UseNativeViews

  ; The screen-saver choice goes back to none only when it is still Nivora: a choice made since stays.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Call un.PointsAtNivora
  ${If} $1 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "0"
    System::Call "user32::SystemParametersInfoW(i 17, i 0, p 0, i 2)"
  ${EndIf}

  ; A saver running right now keeps its file until the next restart.
  Delete /REBOOTOK "$SYSDIR\nivora.scr"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD_PARTY_NOTICES.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(UnSecSettings)" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

; After the sections, whose indexes it uses.
Function un.onInit
  !insertmacro UseNativeViews
  ; In silent mode the box "remove my settings" is ticked by /REMOVESETTINGS.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecUnSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
