# Cross-compiles for 64-bit Windows with Debian's mingw-w64 compilers, the variant with POSIX
# threads (the framework's threads and the C++ standard library's need it).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(zv_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${zv_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${zv_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${zv_mingw}-windres)
set(CMAKE_AR ${zv_mingw}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${zv_mingw}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the mingw-w64 sysroot and from the static libraries that the
# Windows build script puts in ZV_WINDOWS_PREFIX; programs (the framework's Linux helper that
# embeds binary data) still come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${zv_mingw} ${ZV_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZV_WINDOWS_PREFIX)

# The library and the test programs carry the compiler's runtime inside them, so that they
# import only Windows system libraries. Without -static the linker prefers the import library
# of a shared zlib over the static one.
set(zv_static_runtime "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${zv_static_runtime})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${zv_static_runtime})
set(CMAKE_EXE_LINKER_FLAGS_INIT ${zv_static_runtime})

# The framework's CMake package is the build machine's (its helper program runs here); a cross
# build does not look in the build machine's multiarch folder by itself.
if(NOT JUCE_DIR)
    file(GLOB zv_juce_dirs /usr/lib/*/cmake/JUCE-*)
    if(zv_juce_dirs)
        list(GET zv_juce_dirs 0 zv_juce_dir)
        set(JUCE_DIR ${zv_juce_dir} CACHE PATH "The framework's CMake package" FORCE)
    endif()
endif()
