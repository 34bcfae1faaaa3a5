# Toolchain of the 32-bit Linux build (build/host32): the portable code as
# 32-bit x86, where size_t and pointers are 32 bits wide as in the Windows
# programs we ship, so width bugs of the shared code show on Linux. Static,
# and run through qemu-i386-static, which also works on kernels that run
# no 32-bit x86 code themselves.
#   cmake -S . -B build/host32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake \
#     -DDRAVIK_PACK=build/host/bin/dravik-pack
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)

set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
