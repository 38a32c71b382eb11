# Usage: cmake -DBUNDLE=<the .lv2 folder> -DPRESETS=<folder of preset-*.ttl and manifest-presets.ttl> -P AddPresets.cmake
#
# Puts the factory presets into the LV2 bundle: each preset's file is copied in, and the entries
# that tell hosts where to find them (manifest-presets.ttl) are appended to the bundle's manifest.
# The framework's helper writes the manifest anew whenever the library is linked, so this runs
# after it every time; on a manifest that has the entries already it changes nothing.

file(GLOB stale "${BUNDLE}/preset-*.ttl")
if(stale)
    file(REMOVE ${stale})
endif()
file(GLOB presets "${PRESETS}/preset-*.ttl")
if(NOT presets)
    message(FATAL_ERROR "no factory presets in ${PRESETS}")
endif()
file(COPY ${presets} DESTINATION "${BUNDLE}")

file(READ "${PRESETS}/manifest-presets.ttl" entries)
file(READ "${BUNDLE}/manifest.ttl" manifest)

# The framework lists every program of the table as a preset, and in a new instance all 127 are
# the same "Default" program: hosts showed 127 identical entries above the factory presets. A
# program preset is listed only when its program is something other than the default one.
string(REGEX REPLACE
    "<[^>\n]+:preset[0-9]+>\n\ta pset:Preset ;\n\tlv2:appliesTo <[^>\n]+> ;\n\trdfs:label \"Default\" ;\n\tstate:state \\[ <[^>\n]+:Program> \"[0-9]+\"\\^\\^xsd:int ; \\] \\.\n\n?"
    "" manifest "${manifest}")
file(WRITE "${BUNDLE}/manifest.ttl" "${manifest}")
string(FIND "${manifest}" "${entries}" present)
if(present EQUAL -1)
    file(APPEND "${BUNDLE}/manifest.ttl" "${entries}")
endif()
