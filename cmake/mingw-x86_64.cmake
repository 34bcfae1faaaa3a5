# The same sources as 64-bit x86 PE. Not what we ship: the Wine tests use it
# on machines whose kernel cannot run 32-bit x86 code (no IA-32 emulation),
# where 32-bit Windows programs cannot start under Wine at all.
set(DRAVIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(DRAVIK_MINGW_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
