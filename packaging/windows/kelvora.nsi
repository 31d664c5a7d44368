; The Windows installer: per user, no administrator rights, into the user's programs folder.
; makensis -DVERSION=x.y.z -DFILE_VERSION=x.y.z.w -DSTAGE=<the installed tree> -DICON=<kelvora.ico> -DOUTFILE=<installer>
;   kelvora.nsi
;
; Silent use: installer.exe /S [/D=folder]; Uninstall.exe /S [/REMOVEUSERDATA]. Either ends with
; status 2, changing nothing, while the program runs.
; An upgrade installs over the same folder: the program's own files are replaced; the side files
; the user made beside kelvora.exe (Dictionary.txt and the lists) and Setup.ini are left as they
; are. Uninstalling leaves them too, unless the user asks for them to go.

; A 64-bit installer for the 64-bit program.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "KELVORA Pro"
!define PUBLISHER "VORTANE PROJECT"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KELVORA Pro"
!define WINDOW_CLASS "KelvoraContainer"
!define WINDOW_TITLE "KELVORA Pro - Chat to Speech"

Name "${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; An earlier install is upgraded where it is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\kelvora.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running program holds its files: the user closes it first (a silent run gives up).
!macro ProgramClosedAwait un
Function ${un}ProgramClosedAwait
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_TITLE}"
    ${If} $0 == 0
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is running. Close it (Quit in its tray menu), then click Retry." \
        /SD IDCANCEL IDRETRY +3
    SetErrorLevel 2
    Quit
  ${Loop}
FunctionEnd
!macroend
!insertmacro ProgramClosedAwait ""
!insertmacro ProgramClosedAwait "un."

Section "Install"
  Call ProgramClosedAwait
  SetOutPath "$INSTDIR"
  File "${STAGE}\kelvora.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\templates"
  File "${STAGE}\templates\*.txt"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\kelvora.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kelvora.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The user's own files: Setup.ini and the side files beside the program.
!macro UserFilesRemove
  Delete "$LOCALAPPDATA\VORTANE PROJECT\KELVORA_Pro\Setup.ini"
  RMDir "$LOCALAPPDATA\VORTANE PROJECT\KELVORA_Pro"
  RMDir "$LOCALAPPDATA\VORTANE PROJECT"
  Delete "$INSTDIR\Dictionary.txt"
  Delete "$INSTDIR\WhiteList.txt"
  Delete "$INSTDIR\BlackList.txt"
  Delete "$INSTDIR\Voices.txt"
  Delete "$INSTDIR\Groups.txt"
!macroend

Section "Uninstall"
  Call un.ProgramClosedAwait
  Delete "$INSTDIR\kelvora.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\templates\*.txt"
  RMDir "$INSTDIR\templates"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEUSERDATA" $1
  ${IfNot} ${Errors}
    !insertmacro UserFilesRemove
  ${ElseIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also remove your settings (Setup.ini) and the side files you made (Dictionary.txt, the lists, Voices.txt)?" /SD IDNO IDYES`
    !insertmacro UserFilesRemove
  ${EndIf}
  ; The folder goes when nothing of the user's is left in it.
  RMDir "$INSTDIR"
SectionEnd
