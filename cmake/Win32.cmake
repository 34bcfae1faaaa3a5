# What the Windows configurations add (included from Dravik.cmake when the
# target is Windows): small static programs, their manifest and version
# resource, and for the unit tests GoogleTest and Wine as the runner.
enable_language(RC)

# Small programs that import only system DLLs: libgcc, libstdc++ and (in the
# posix thread model) winpthreads are linked in, unused sections dropped,
# symbols stripped.
add_compile_options(-Os -ffunction-sections -fdata-sections)
# A window or dialog procedure cast to another function type compiles and
# then crashes in the 32-bit programs only (a callback without CALLBACK
# pops the wrong stack): -Wextra has this warning, named here so that it
# stays an error whatever the defaults.
add_compile_options(-Wcast-function-type)
add_link_options(-static -Wl,--gc-sections -s)

# dravik_win32_resources(TARGET DESCRIPTION [FILE_NAME]): what every Windows
# program of ours carries: a manifest (asInvoker, common controls 6, system
# DPI aware, long-path aware), a version resource, and a terminate handler
# that aborts without libstdc++'s demangler. FILE_NAME is the name the
# program ships under; by default the target's name without a "-bare"
# suffix, plus ".exe".
function(dravik_win32_resources target description)
  if(ARGC GREATER 2)
    set(file_name ${ARGV2})
  else()
    string(REGEX REPLACE "-bare$" "" file_name ${target})
    set(file_name ${file_name}.exe)
  endif()
  string(REPLACE "." "," version_commas ${DRAVIK_VERSION})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
    set(manifest_arch amd64)
  else()
    set(manifest_arch x86)
  endif()
  string(REGEX REPLACE "\\.exe$" "" assembly_name ${file_name})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  configure_file(${DRAVIK_WIN32_DIR}/Program.manifest.in ${dir}/Program.manifest @ONLY)
  configure_file(${DRAVIK_WIN32_DIR}/ProgramInfo.rc.in ${dir}/ProgramInfo.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/ProgramInfo.rc ${DRAVIK_WIN32_DIR}/PlainTerminate.cpp)
endfunction()
set(DRAVIK_WIN32_DIR ${CMAKE_CURRENT_LIST_DIR}/win32)

# dravik_size_limit(TARGET BYTES WHY): the shipped build (no tests, 32-bit)
# fails when TARGET's program grows past BYTES. The programs stay small
# through tricks a toolchain update can silently undo (the terminate handler,
# the replaced library functions of console/WinRuntime.cpp); this says so at
# once instead of in a release.
function(dravik_size_limit target bytes why)
  if(DRAVIK_TESTS OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DLIMIT=${bytes} "-DWHY=${why}"
      -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckSize.cmake
    VERBATIM)
endfunction()

# Each build folder that runs Windows programs under Wine has its own prefix;
# the harness in tests/wine reads which kind it must be from here.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  set(DRAVIK_WINE_ARCH win64)
else()
  set(DRAVIK_WINE_ARCH win32)
endif()
file(WRITE ${CMAKE_BINARY_DIR}/wine.env "DRAVIK_WINE_ARCH=${DRAVIK_WINE_ARCH}\n")

# The unit tests (posix thread model only), every test program run through
# tests/wine/run. Test lists are read when ctest runs, not at build time, so
# building needs no Wine.
if(DRAVIK_TESTS)
  if(NOT DRAVIK_MINGW_THREADS STREQUAL "posix")
    message(FATAL_ERROR "The Windows unit tests need mingw's posix thread model "
      "(-DDRAVIK_MINGW_THREADS=posix): GoogleTest uses std::mutex. "
      "Build the programs alone with -DDRAVIK_TESTS=OFF.")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/wine/run ${CMAKE_BINARY_DIR})
  set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
endif()

# The UI driver and its test dialog: Windows programs of their own, built in
# every Windows configuration (they need nothing else of the tree).
add_subdirectory(${CMAKE_SOURCE_DIR}/tests/uidriver ${CMAKE_BINARY_DIR}/tests/uidriver)
