# Cross-compiles for 64-bit ARM Linux with Debian's cross compilers; the programs built run on
# this machine under qemu's user-mode emulator, with the arm64 C and C++ libraries of the cross
# toolchain (ctest and test discovery go through CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(zv_arm64 aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${zv_arm64}-gcc)
set(CMAKE_CXX_COMPILER ${zv_arm64}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${zv_arm64})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${zv_arm64})
