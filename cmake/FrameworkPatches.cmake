# Small changes to the framework's own sources, each a reviewed patch in cmake/framework/ whose
# header says why. At configure time the affected files are copied into the build tree, patched
# there and compiled in place of the installed ones; the installed framework is never touched.
# A patch that no longer applies (a newer framework) stops the configure.

# A module compiles as one unity file that includes its other files by paths relative to itself.
# The module's targets get a copy of the unity file whose includes name the original files by
# their full paths, except the patched ones, which it finds beside itself.
function(zv_patch_framework_module module patch_file)
    set(files ${ARGN})
    get_target_property(modules_dir ${module} INTERFACE_JUCE_MODULE_PATH)
    set(original ${modules_dir}/${module})
    set(unity_file ${module}.cpp)
    set(work ${PROJECT_BINARY_DIR}/framework/work/${module})
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

    get_target_property(sources ${module} INTERFACE_SOURCES)
    list(FIND sources ${original}/${unity_file} at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${module} no longer compiles as ${original}/${unity_file}; ${patch_file} cannot be used")
    endif()
    list(REMOVE_AT sources ${at})
    list(INSERT sources ${at} ${copy}/${unity_file})
    set_property(TARGET ${module} PROPERTY INTERFACE_SOURCES ${sources})
endfunction()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    zv_patch_framework_module(juce_gui_basics ${CMAKE_CURRENT_LIST_DIR}/framework/linux-windowing-idle-vblank.patch
                              native/juce_linux_Windowing.cpp)
endif()
