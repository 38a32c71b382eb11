# The Windows CLAP build under wine (included by tests/windows/CMakeLists.txt): our CLAP host,
# cross-built, loads "ZV-Reverb LX.clap" and its output is compared with the Linux build's
# (rendered by the same program built for Linux, see scripts/build-windows.sh).
set(ZV_CLAP_LINUX_REFERENCE "" CACHE FILEPATH "The Linux CLAP build's output (tests/clap/ClapRenderCheck.cpp)")
add_executable(zv_clap_render_check ${CMAKE_CURRENT_LIST_DIR}/ClapRenderCheck.cpp)
target_include_directories(zv_clap_render_check PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(zv_clap_render_check PRIVATE zv_warnings)
target_link_options(zv_clap_render_check PRIVATE -static)
add_dependencies(zv_clap_render_check ZVReverbLX_CLAP)
add_test(NAME windows_clap_matches_linux
    COMMAND zv_clap_render_check $<TARGET_FILE:ZVReverbLX_CLAP> --compare ${ZV_CLAP_LINUX_REFERENCE} ${ZV_LINUX_TOLERANCE})
