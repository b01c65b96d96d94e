; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer of Miravel («Миравель»), built with makensis by
; scripts/windows-installer.sh, which gathers the files into a staging folder
; and defines:
;   VERSION  the program's version (major.minor.patch)
;   STAGE    the staging folder: program\ (the program, the Qt DLLs and
;            plugins it needs and Qt's Russian texts in translations\),
;            tools\ (the teacher's tools) and the lists
;            program-files.nsh, tools-files.nsh, uninstall-files.nsh
;   OUTFILE  the installer to write
;
; A per-machine install into Program Files, for every user: shortcuts
; «Миравель» in the Start menu and on the desktop, an uninstaller registered
; under "Apps and features". The teacher's tools (miravel-make, the preview
; tool and the sample test's source) are an optional component.
;
; For school administrators, both run silently with /S:
;   miravel-setup-<version>.exe /S [/TEACHER] [/D=C:\other\folder]
;   "C:\Program Files\Miravel\uninstall.exe" /S
; /TEACHER also installs the teacher's tools (left out unless chosen).

; A 64-bit installer, like the program: it runs wherever the program can
; (and under wine64 alone).
Target amd64-unicode
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "Миравель"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Miravel"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Miravel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка программы ${PRODUCT}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\miravel.exe"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${STAGE}/program-files.nsh"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcuts start the program in its own folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\miravel.exe"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\miravel.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Miravel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\miravel.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section /o "Инструменты преподавателя" SectionTools
  SetOutPath "$INSTDIR"
  !include "${STAGE}/tools-files.nsh"
SectionEnd

; The size shown in "Apps and features", of whatever was installed.
Section "-EstimatedSize"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionProgram} "Программа тестирования с ярлыками в меню «Пуск» и на рабочем столе."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionTools} "miravel-make (создание файлов тестов), просмотр экранов теста и исходный текст примера теста."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/TEACHER" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionTools}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Only what the installer put there is removed, file by file, and then the
; folders if they are empty: a folder chosen by hand that holds other files
; keeps them.
Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !include "${STAGE}/uninstall-files.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
