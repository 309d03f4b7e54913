; Tervik's setup program for Windows (makensis, NSIS 3).
;   makensis -DVERSION=1.61 -DFILES=<folder> -DOUTFILE=<setup.exe> tervik.nsi
; FILES holds tervik.exe and tervik-cli-draw.exe (when built), tervik-cli.exe and tervik.ico.
; Installs for the current user, without administrator rights, into
; %LOCALAPPDATA%\Programs\Tervik; /S installs silently, /D=<folder> elsewhere.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef FILES
  !error "FILES is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "tervik-setup-${VERSION}.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tervik"
!define PROG_ID "Tervik.Archive"

Name "Tervik ${VERSION}"
OutFile "${OUTFILE}"
Icon "${FILES}\tervik.ico"
UninstallIcon "${FILES}\tervik.ico"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tervik"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Tervik"
VIAddVersionKey "CompanyName" "Quorvex"
VIAddVersionKey "FileDescription" "Tervik setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Quorvex"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Tervik"
  SetOutPath "$INSTDIR"
!if /FileExists "${FILES}\tervik.exe"
  File "${FILES}\tervik.exe"
  !define PROGRAM "tervik.exe"
!else
  !warning "tervik.exe is not in FILES: the setup program holds tervik-cli.exe alone"
!endif
  File "${FILES}\tervik-cli.exe"
!if /FileExists "${FILES}\tervik-cli-draw.exe"
  File "${FILES}\tervik-cli-draw.exe"
!endif
  File "${FILES}\tervik.ico"
  WriteUninstaller "$INSTDIR\uninstall.exe"

!ifdef PROGRAM
  ; The Start menu entry and the .mnr association, both the user's own.
  CreateShortCut "$SMPROGRAMS\Tervik.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\tervik.ico"
  WriteRegStr HKCU "Software\Classes\.mnr" "" "${PROG_ID}"
  WriteRegStr HKCU "Software\Classes\${PROG_ID}" "" "Tervik monitoring archive"
  WriteRegStr HKCU "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\tervik.ico"
  WriteRegStr HKCU "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\${PROGRAM}" "%1"'
  ; SHCNE_ASSOCCHANGED: the shell shows the new icon at once.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!endif

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tervik ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quorvex"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tervik.ico"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Tervik.lnk"
  ; The association only while it is still ours.
  ReadRegStr $0 HKCU "Software\Classes\.mnr" ""
  StrCmp $0 "${PROG_ID}" 0 +2
  DeleteRegKey HKCU "Software\Classes\.mnr"
  DeleteRegKey HKCU "Software\Classes\${PROG_ID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\tervik.exe"
  Delete "$INSTDIR\tervik-cli.exe"
  Delete "$INSTDIR\tervik-cli-draw.exe"
  Delete "$INSTDIR\tervik.ico"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
