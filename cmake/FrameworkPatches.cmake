# Small changes to the framework's own sources, each a reviewed patch in cmake/framework/ whose
# header says why. At configure time the affected files are copied into the build tree, patched
# there and compiled in place of the installed ones; the installed framework is never touched.
# A patch that no longer applies (a newer framework) stops the configure.

# A module compiles as one unity file that includes its other files by paths relative to itself;
# the plug-in client module has one unity file for each format, each in a target of its own.
# The target gets a copy of its unity file whose includes name the original files by their full
# paths, except the patched ones, which it finds beside itself. A patched file's own includes of
# files beside the original (such as "../utility/...") are made to name those by their full paths.
function(zv_patch_framework_sources target module unity_file patch_file)
    set(files ${ARGN})
    get_target_property(modules_dir ${module} INTERFACE_JUCE_MODULE_PATH)
    set(original ${modules_dir}/${module})
    set(work ${PROJECT_BINARY_DIR}/framework/work/${target})
    set(copy ${PROJECT_BINARY_DIR}/framework/${module})

    # The framework's files have CRLF line ends; the patch and the copies have LF.
    file(REMOVE_RECURSE ${work})
    foreach(file ${unity_file} ${files})
        file(READ ${original}/${file} text)
        string(REPLACE "\r\n" "\n" text "${text}")
        if(file STREQUAL unity_file)
            string(REGEX REPLACE "#include \"([^\"]+)\"" "#include \"${original}/\\1\"" text "${text}")
            foreach(patched ${files})
                string(REPLACE "#include \"${original}/${patched}\"" "#include \"${patched}\"" text "${text}")
            endforeach()
        endif()
        file(WRITE ${work}/${file} "${text}")
    endforeach()

    find_program(ZV_PATCH_PROGRAM patch REQUIRED)
    execute_process(
        COMMAND ${ZV_PATCH_PROGRAM} -p1 --forward --batch --no-backup-if-mismatch --reject-file=- -i ${patch_file}
        WORKING_DIRECTORY ${work}
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${patch_file} no longer applies to ${original}:\n${output}\n"
                            "Check whether the framework still needs the change and bring the patch up to date.")
    endif()

    foreach(file ${files})
        file(READ ${work}/${file} text)
        get_filename_component(folder ${original}/${file} DIRECTORY)
        string(REGEX MATCHALL "#include \"[^\"]+\"" includes "${text}")
        foreach(include ${includes})
            string(REGEX REPLACE "#include \"([^\"]+)\"" "\\1" included "${include}")
            if(EXISTS ${folder}/${included})
                get_filename_component(included ${folder}/${included} ABSOLUTE)
                string(REPLACE "${include}" "#include \"${included}\"" text "${text}")
            endif()
        endforeach()
        file(WRITE ${work}/${file} "${text}")
    endforeach()

    # Copies are rewritten only when their text changes, so a configure does not rebuild the module.
    foreach(file ${unity_file} ${files})
        get_filename_component(folder ${copy}/${file} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(COPY_FILE ${work}/${file} ${copy}/${file} ONLY_IF_DIFFERENT)
    endforeach()
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${patch_file} ${original}/${unity_file})
    foreach(file ${files})
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${original}/${file})
    endforeach()

    get_target_property(sources ${target} INTERFACE_SOURCES)
    list(FIND sources ${original}/${unity_file} at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${target} no longer compiles ${original}/${unity_file}; ${patch_file} cannot be used")
    endif()
    list(REMOVE_AT sources ${at})
    list(INSERT sources ${at} ${copy}/${unity_file})
    set_property(TARGET ${target} PROPERTY INTERFACE_SOURCES ${sources})
endfunction()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    zv_patch_framework_sources(juce_gui_basics juce_gui_basics juce_gui_basics.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/framework/linux-windowing-idle-vblank.patch
                               native/juce_linux_Windowing.cpp)
endif()
# The VST3 and LV2 wrappers' state loading; those formats are built everywhere but on Windows.
if(NOT WIN32)
    zv_patch_framework_sources(juce_audio_plugin_client_VST3 juce_audio_plugin_client juce_audio_plugin_client_VST3.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/framework/vst3-state-private-data.patch
                               VST3/juce_VST3_Wrapper.cpp)
    zv_patch_framework_sources(juce_audio_plugin_client_LV2 juce_audio_plugin_client juce_audio_plugin_client_LV2.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/framework/lv2-state-base64-count.patch
                               LV2/juce_LV2_Client.cpp)
endif()
