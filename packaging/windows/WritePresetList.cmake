# Writes presets.nsh for the installer: a File line and a Delete line per factory preset file in
# DIR/fxp, so that the uninstaller removes exactly the files the installer wrote.
# Usage: cmake -DDIR=<folder> -P WritePresetList.cmake
file(GLOB presets RELATIVE "${DIR}/fxp" "${DIR}/fxp/*.fxp")
if(NOT presets)
    message(FATAL_ERROR "no preset files in ${DIR}/fxp")
endif()
list(SORT presets)
set(install "!macro InstallPresets\n")
set(remove "!macro RemovePresets folder\n")
foreach(preset IN LISTS presets)
    string(APPEND install "    File \"\${FILES}\\fxp\\${preset}\"\n")
    string(APPEND remove "    Delete \"\${folder}\\${preset}\"\n")
endforeach()
file(WRITE "${DIR}/presets.nsh" "${install}!macroend\n${remove}!macroend\n")
