; The Windows installer: the VST 2.4 plug-in, the AAX plug-in and the CLAP plug-in, each a
; component the user can leave out, the factory bank and presets, a read-me and the licence, and
; an uninstaller listed among the installed programs. Built by packaging/windows/CMakeLists.txt
; (makensis, from Debian's nsis package), which defines:
;   VERSION       the product version (the project's one definition)
;   OUTFILE       the installer to write
;   DLL           the 64-bit plug-in library (VST 2.4 entry and ACF exports in one module)
;   CLAP          the CLAP plug-in (its component is left out without it)
;   FILES         a folder with the icon (zv-reverb-lx.ico), the factory bank
;                 (zv-reverb-lx-factory.fxb), the presets (fxp/*.fxp) and presets.nsh
;   README        the read-me, LICENSE the licence text
;
; Silent use, for studios that deploy by script:
;   setup.exe /S [/D=VST2 folder]    install (the folder must come last and unquoted)
;   Uninstall.exe /S                 remove
;
; Where things go, and why there:
; - VST 2.4: C:\Program Files\Common Files\VST2 unless the user picks another folder. VST 2.4
;   has no fixed folder; this one is what most current installers and hosts propose (the older
;   C:\Program Files\VSTPlugins is a host's own choice). The folder chosen is remembered, and an
;   upgrade goes to the same place.
; - AAX: the bundle C:\Program Files\Common Files\Avid\Audio\Plug-Ins\ZV-Reverb LX.aaxplugin with
;   the binary in Contents\x64, where AAX hosts look.
; - CLAP: C:\Program Files\Common Files\CLAP, where CLAP hosts look.
; - The bank, the presets, the read-me, the licence and the uninstaller:
;   C:\Program Files\Zelvane\ZV-Reverb LX.
;
; The uninstaller removes every file and registry value the installer wrote, and a folder only if
; the installer made it and it is empty: a file the user put beside ours stays, and so does its
; folder.

; A 64-bit installer for a 64-bit plug-in: it writes the 64-bit registry and folders without
; redirection, and 32-bit Windows refuses to start it at all (the check in .onInit covers any
; other way of starting it there).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "x64.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"
; InstallPresets and RemovePresets: a File and a Delete line per factory preset, so that the
; uninstaller removes exactly those files (written by packaging/windows/CMakeLists.txt).
!include "${FILES}\presets.nsh"

!define PRODUCT "ZV-Reverb LX"
!define VENDOR "Zelvane"
!define PRODUCT_KEY "Software\${VENDOR}\${PRODUCT}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define DATA_DIR "$PROGRAMFILES64\${VENDOR}\${PRODUCT}"
!define AAX_PLUGINS "$COMMONFILES64\Avid\Audio\Plug-Ins"
!define AAX_BUNDLE "${AAX_PLUGINS}\${PRODUCT}.aaxplugin"
!define CLAP_DIR "$COMMONFILES64\CLAP"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Set in .onInit: the remembered VST 2.4 folder, else the usual one. /D= sets it before that.
InstallDir ""
BrandingText "${VENDOR} ${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${VENDOR}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${VENDOR}"

!define MUI_ICON "${FILES}\zv-reverb-lx.ico"
!define MUI_UNICON "${FILES}\zv-reverb-lx.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}, a stereo algorithmic reverb, as a VST 2.4, an AAX and a CLAP plug-in for 64-bit hosts.$\r$\n$\r$\nClose your audio programs before you continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE skipFolderWithoutVst2
!define MUI_DIRECTORYPAGE_TEXT_TOP "The VST 2.4 plug-in goes into this folder. Choose the folder your hosts search for VST 2.4 plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "VST 2.4 plug-in folder"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "${DATA_DIR}\Read me.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Makes a folder (and any folders above it that are missing), and records the highest folder it
; made, so that the uninstaller may remove what it made once it is empty; records nothing when
; the folder existed already.
!macro MakeFolder path name
    Push "${path}"
    Call topMissingFolder
    Pop $R9
    ${If} $R9 != ""
        CreateDirectory "${path}"
        WriteRegStr HKLM "${PRODUCT_KEY}" "Made ${name}" $R9
    ${EndIf}
!macroend

; Removes a folder and the folders above it, up to the highest one the installer made for it,
; each only if it is empty.
!macro RemoveFolderIfMade path name
    Push "${path}"
    ReadRegStr $R9 HKLM "${PRODUCT_KEY}" "Made ${name}"
    Push $R9
!ifdef __UNINSTALL__
    Call un.removeMadeFolders
!else
    Call removeMadeFolders
!endif
!macroend

!macro TopMissingFolder prefix
; The highest folder of a path (on the stack) that does not exist yet, or "" if the path exists.
Function ${prefix}topMissingFolder
    Exch $R0
    Push $R1
    StrCpy $R1 ""
    ${Do}
        ${If} $R0 == ""
        ${OrIf} ${FileExists} "$R0\*.*"
            ${ExitDo}
        ${EndIf}
        StrCpy $R1 $R0
        ${GetParent} $R0 $R0
    ${Loop}
    StrCpy $R0 $R1
    Pop $R1
    Exch $R0
FunctionEnd
!macroend
!insertmacro TopMissingFolder ""

; Removes the folder (second on the stack) and the folders above it up to `top` (first), each
; only if empty; nothing when `top` is "".
!macro RemoveMadeFolders prefix
Function ${prefix}removeMadeFolders
    Exch $R0 ; top
    Exch
    Exch $R1 ; folder
    ${If} $R0 != ""
        ${Do}
            RMDir $R1
            ${If} $R1 == $R0
            ${OrIf} ${FileExists} "$R1\*.*"
                ${ExitDo}
            ${EndIf}
            ${GetParent} $R1 $R1
        ${LoopUntil} $R1 == ""
    ${EndIf}
    Pop $R1
    Pop $R0
FunctionEnd
!macroend
!insertmacro RemoveMadeFolders ""
!insertmacro RemoveMadeFolders "un."

Function .onInit
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is a 64-bit plug-in and needs 64-bit Windows." /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    ${If} $INSTDIR == ""
        ReadRegStr $INSTDIR HKLM "${PRODUCT_KEY}" "VST2 folder"
    ${EndIf}
    ${If} $INSTDIR == ""
        StrCpy $INSTDIR "$COMMONFILES64\VST2"
    ${EndIf}
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

; Everything the product keeps in one place; always installed.
Section "-Data" SecData
    !insertmacro MakeFolder "${DATA_DIR}" "data folder"
    SetOutPath "${DATA_DIR}"
    File "/oname=Read me.txt" "${README}"
    File "/oname=LICENSE.txt" "${LICENSE}"
    File "/oname=${PRODUCT} factory bank.fxb" "${FILES}\zv-reverb-lx-factory.fxb"
    File "/oname=${PRODUCT}.ico" "${FILES}\zv-reverb-lx.ico"
    !insertmacro MakeFolder "${DATA_DIR}\Presets" "presets folder"
    SetOutPath "${DATA_DIR}\Presets"
    !insertmacro InstallPresets
    WriteUninstaller "${DATA_DIR}\Uninstall.exe"
SectionEnd

Section "VST 2.4 plug-in" SecVst2
    ; An upgrade into another folder leaves nothing behind in the old one.
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "VST2 folder"
    ${If} $0 != ""
    ${AndIf} $0 != $INSTDIR
        Delete "$0\${PRODUCT}.dll"
        !insertmacro RemoveFolderIfMade "$0" "VST2 folder"
        DeleteRegValue HKLM "${PRODUCT_KEY}" "Made VST2 folder"
    ${EndIf}
    !insertmacro MakeFolder "$INSTDIR" "VST2 folder"
    SetOutPath "$INSTDIR"
    File "/oname=${PRODUCT}.dll" "${DLL}"
    WriteRegStr HKLM "${PRODUCT_KEY}" "VST2 folder" "$INSTDIR"
SectionEnd

Section "AAX plug-in" SecAax
    !insertmacro MakeFolder "${AAX_PLUGINS}" "AAX folder"
    SetOutPath "${AAX_BUNDLE}\Contents\x64"
    File "/oname=${PRODUCT}.aaxplugin" "${DLL}"
SectionEnd

!ifdef CLAP
Section "CLAP plug-in" SecClap
    !insertmacro MakeFolder "${CLAP_DIR}" "CLAP folder"
    SetOutPath "${CLAP_DIR}"
    File "/oname=${PRODUCT}.clap" "${CLAP}"
SectionEnd
!endif

; The folder page asks for the VST 2.4 plug-in's folder: without that component it is skipped.
Function skipFolderWithoutVst2
    ${IfNot} ${SectionIsSelected} ${SecVst2}
        Abort
    ${EndIf}
FunctionEnd

!macro RemoveVst2
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "VST2 folder"
    ${If} $0 != ""
        Delete "$0\${PRODUCT}.dll"
        !insertmacro RemoveFolderIfMade "$0" "VST2 folder"
    ${EndIf}
    DeleteRegValue HKLM "${PRODUCT_KEY}" "VST2 folder"
    DeleteRegValue HKLM "${PRODUCT_KEY}" "Made VST2 folder"
!macroend

!macro RemoveAax
    Delete "${AAX_BUNDLE}\Contents\x64\${PRODUCT}.aaxplugin"
    RMDir "${AAX_BUNDLE}\Contents\x64"
    RMDir "${AAX_BUNDLE}\Contents"
    RMDir "${AAX_BUNDLE}"
    !insertmacro RemoveFolderIfMade "${AAX_PLUGINS}" "AAX folder"
!macroend

!macro RemoveClap
    Delete "${CLAP_DIR}\${PRODUCT}.clap"
    !insertmacro RemoveFolderIfMade "${CLAP_DIR}" "CLAP folder"
!macroend

; After the components: a component left out of an upgrade goes, and the entry in the list of
; installed programs tells what is there now.
Section "-Register"
    ${IfNot} ${SectionIsSelected} ${SecVst2}
        !insertmacro RemoveVst2
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecAax}
        !insertmacro RemoveAax
    ${EndIf}
!ifdef CLAP
    ${IfNot} ${SectionIsSelected} ${SecClap}
!endif
        !insertmacro RemoveClap
!ifdef CLAP
    ${EndIf}
!endif
    WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${VENDOR}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${DATA_DIR}\${PRODUCT}.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "${DATA_DIR}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${DATA_DIR}\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${DATA_DIR}\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; The size of what is installed now, in KiB, as the compiler counted each component's files.
    SectionGetSize ${SecData} $1
    ${If} ${SectionIsSelected} ${SecVst2}
        SectionGetSize ${SecVst2} $0
        IntOp $1 $1 + $0
    ${EndIf}
    ${If} ${SectionIsSelected} ${SecAax}
        SectionGetSize ${SecAax} $0
        IntOp $1 $1 + $0
    ${EndIf}
!ifdef CLAP
    ${If} ${SectionIsSelected} ${SecClap}
        SectionGetSize ${SecClap} $0
        IntOp $1 $1 + $0
    ${EndIf}
!endif
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Section "Uninstall"
    !insertmacro RemoveVst2
    !insertmacro RemoveAax
    !insertmacro RemoveClap

    !insertmacro RemovePresets "${DATA_DIR}\Presets"
    !insertmacro RemoveFolderIfMade "${DATA_DIR}\Presets" "presets folder"
    Delete "${DATA_DIR}\Read me.txt"
    Delete "${DATA_DIR}\LICENSE.txt"
    Delete "${DATA_DIR}\${PRODUCT} factory bank.fxb"
    Delete "${DATA_DIR}\${PRODUCT}.ico"
    Delete "${DATA_DIR}\Uninstall.exe"
    !insertmacro RemoveFolderIfMade "${DATA_DIR}" "data folder"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\${VENDOR}"
SectionEnd
