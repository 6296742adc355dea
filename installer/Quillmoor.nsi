; Setup of Quillmoor: the two programs and the help into a folder of the user's
; choice, a Start menu entry, Quillmoor appended to the Visual Studio 6 tool
; list by Tackhouse.
;   makensis -DARCH=x86|x64 -DBINDIR=<build folder> -DREADME=<ReadMe.txt>
;            -DICON=<Quillmoor.ico> -DOUTFILE=<setup program> Quillmoor.nsi

!define VERSION "1.04"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor"

; The x64 setup is a 64-bit program itself: it installs into the 64-bit
; Program Files and runs where 32-bit programs cannot.
!if "${ARCH}" == "x64"
    Target amd64-unicode
    InstallDir "$PROGRAMFILES64\Quillmoor"
!else if "${ARCH}" == "x86"
    Target x86-unicode
    InstallDir "$PROGRAMFILES\Quillmoor"
!else
    !error "ARCH must be x86 or x64"
!endif

Name "Quillmoor ${VERSION}"
OutFile "${OUTFILE}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
BrandingText "Quillmoor ${VERSION}"

!include MUI2.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TITLE "Quillmoor is installed"
!define MUI_FINISHPAGE_TEXT "Quillmoor runs the command-line clients of CVS and Subversion. Put cvs.exe, svn.exe and svnadmin.exe in the folder of Quillmoor.exe:$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\nQuillmoor looks for them there only, not on the PATH."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\ReadMe.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

VIProductVersion 1.4.0.0
VIFileVersion 1.4.0.0
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Quillmoor"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "Harrowby"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Quillmoor ${VERSION} Setup (${ARCH})"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Harrowby"

Section "Quillmoor"
    SetOutPath "$INSTDIR"
    File "${BINDIR}/Quillmoor.exe"
    File "${BINDIR}/Tackhouse.exe"
    File "${BINDIR}/Quillmoor.chm"
    File "/oname=ReadMe.txt" "${README}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; Everything after the switch and one blank is the path, taken verbatim:
    ; quotes would become part of the tool entry.
    ExecWait '"$INSTDIR\Tackhouse.exe" /ToolInstall $INSTDIR\Quillmoor.exe'

    ; For the same users as the uninstall entry in HKLM: everyone. The
    ; shortcut's working folder is the output path, the installation folder.
    SetShellVarContext all
    CreateShortCut "$SMPROGRAMS\Quillmoor.lnk" "$INSTDIR\Quillmoor.exe"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "Quillmoor ${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Harrowby"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Quillmoor.exe"
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    ; Tackhouse only warns that the tool entry must go by hand. Its box would
    ; stop an unattended uninstall, so only an attended one shows it.
    IfSilent +2
        ExecWait '"$INSTDIR\Tackhouse.exe" /ToolDeinstall'

    ; The context the shortcut was made in.
    SetShellVarContext all
    Delete "$SMPROGRAMS\Quillmoor.lnk"
    Delete "$INSTDIR\Quillmoor.exe"
    Delete "$INSTDIR\Tackhouse.exe"
    Delete "$INSTDIR\Quillmoor.chm"
    Delete "$INSTDIR\ReadMe.txt"
    Delete "$INSTDIR\Uninstall.exe"
    ; The clients the user placed there, and their folder, stay.
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINST_KEY}"
    ; Nothing is left to read once Tackhouse's box is gone.
    SetAutoClose true
SectionEnd
