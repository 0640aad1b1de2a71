; The Windows installer of Корвель, made by ./package.sh --windows:
;   makensis -DVERSION=0.1 -DSOURCE=<the program's folder> -DOUTFILE=korvel-0.1-setup.exe korvel.nsi
; Installs the program's folder under Program Files, two Start-menu entries for every user (the
; herd in the user's Documents\Корвель, the demonstration herd) and an uninstaller. The uninstaller removes what
; was installed and nothing else: the herd folders stay where they are.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define NAME "Корвель"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvel"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvel"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

!define MUI_ICON "${__FILEDIR__}\korvel.ico"
!define MUI_UNICON "${__FILEDIR__}\korvel.ico"
!include "MUI2.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "Корвель"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; --herd works in each user's Documents\Корвель (or the folder the user chose with --herd FOLDER).
  CreateShortCut "$SMPROGRAMS\Корвель.lnk" "$INSTDIR\korvel.exe" "--herd" "$INSTDIR\korvel.exe" 0
  CreateShortCut "$SMPROGRAMS\Корвель — демонстрационное стадо.lnk" "$INSTDIR\korvel.exe" "--demo" "$INSTDIR\korvel.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Разработчики Корвеля"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Корвель.lnk"
  Delete "$SMPROGRAMS\Корвель — демонстрационное стадо.lnk"
  RMDir /r "$INSTDIR\fonts"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\*.txt"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
