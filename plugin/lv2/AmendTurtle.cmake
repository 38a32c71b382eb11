# Usage: cmake -DBUNDLE=<the .lv2 folder> -DEMAIL=<the maker's address> -P AmendTurtle.cmake
#
# The framework's LV2 helper writes the bundle's Turtle files from the built library. Its output
# says a few things LV2's vocabularies do not allow, which hosts read wrongly or validators
# reject; this script amends exactly those. Each amendment names the text it expects, and a text
# that is neither there nor already amended fails the build: a framework that writes something
# else must be looked at again, not passed over.

function(zv_amend file description from to)
    file(READ "${BUNDLE}/${file}" text)
    string(FIND "${text}" "${to}" amended)
    if(NOT amended EQUAL -1)
        return()
    endif()
    string(FIND "${text}" "${from}" first)
    string(FIND "${text}" "${from}" last REVERSE)
    if(first EQUAL -1 OR NOT first EQUAL last)
        message(FATAL_ERROR "${file}: expected exactly one '${from}' (${description})")
    endif()
    string(REPLACE "${from}" "${to}" text "${text}")
    file(WRITE "${BUNDLE}/${file}" "${text}")
endfunction()

# A bare address in angle brackets is a path relative to the file, so hosts showed the maker's
# e-mail as a file inside the bundle; an e-mail address is a mailto: URI.
zv_amend(dsp.ttl "the maker's e-mail"
    "foaf:mbox <${EMAIL}>" "foaf:mbox <mailto:${EMAIL}>")

# Maintainer and release are properties of a DOAP project, which the plug-in is; the reverb class
# lets hosts file it under reverbs.
zv_amend(dsp.ttl "the plug-in's classes"
    "\ta lv2:Plugin ;\n\tdoap:name" "\ta lv2:Plugin , lv2:ReverbPlugin , doap:Project ;\n\tdoap:name")

# The program presets select a program through a state property of the plug-in's own, and the
# factory presets (lv2/AddPresets.cmake) carry the whole state in another; a property used in
# data must be described.
zv_amend(dsp.ttl "the presets' state properties"
    "plug:input_group_1\n"
    "plug:Program\n\ta rdf:Property ;\n\trdfs:label \"Program\" ;\n\trdfs:comment \"The index of the program a preset selects.\" ;\n\trdfs:range xsd:int .\n\nplug:StateString\n\ta rdf:Property ;\n\trdfs:label \"State\" ;\n\trdfs:comment \"The plug-in's whole saved state: its bank of programs, encoded as text.\" ;\n\trdfs:range xsd:string .\n\nplug:input_group_1\n")

# The window's fixed size is a feature the UI offers, and the options interface is extension
# data it provides; the helper lists each under the other heading as well.
zv_amend(ui.ttl "the UI's extension data"
    "\t\topts:interface ,\n\t\tui:noUserResize ,\n\t\tui:resize ;" "\t\topts:interface ,\n\t\tui:resize ;")
zv_amend(ui.ttl "the UI's optional features"
    "\t\tui:noUserResize ,\n\t\topts:interface ,\n\t\topts:options ;" "\t\tui:noUserResize ,\n\t\topts:options ;")
