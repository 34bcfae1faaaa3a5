# Toolchain of the Windows programs: 32-bit x86 PE, mingw-w64.
#   cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
# Add -DDRAVIK_MINGW_THREADS=posix for the unit tests (see MingwToolchain.cmake).
set(DRAVIK_MINGW_TRIPLE i686-w64-mingw32)
set(DRAVIK_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
