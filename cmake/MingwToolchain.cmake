# The part the two mingw-w64 toolchain files share. They set
# DRAVIK_MINGW_TRIPLE and DRAVIK_MINGW_PROCESSOR, then include this.
#
# DRAVIK_MINGW_THREADS picks mingw's thread model: `win32` (the default, the
# programs: nothing of ours needs std::thread) or `posix` (the unit tests:
# GoogleTest needs std::mutex, which only the posix model has).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DRAVIK_MINGW_PROCESSOR})

if(NOT DRAVIK_MINGW_THREADS)
  set(DRAVIK_MINGW_THREADS win32)
endif()
# try_compile projects read the toolchain file again: hand the choice on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DRAVIK_MINGW_THREADS)

set(CMAKE_C_COMPILER ${DRAVIK_MINGW_TRIPLE}-gcc-${DRAVIK_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${DRAVIK_MINGW_TRIPLE}-g++-${DRAVIK_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${DRAVIK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DRAVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
