# Releases, with CMake's install rules and CPack: the host build makes the
# Debian package (dravik, dravikx, their manual pages, the copyright and the
# README), the shipped Windows build the zip (dravik.exe, dravikon.exe,
# README.txt and LICENSE.txt with CR LF line ends). `tools/dev dist` runs
# both; other cross builds (the 32-bit Linux tests) make no package.
# Included last from the top CMakeLists.txt, when every program is known.
if(CMAKE_CROSSCOMPILING AND NOT WIN32)
  return()
endif()
set(CPACK_PACKAGE_NAME dravikon)
set(CPACK_PACKAGE_VENDOR "The Dravikon developers")
set(CPACK_PACKAGE_CONTACT "The Dravikon developers <dravikon@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file splitter whose first chunk rebuilds the file")
set(CPACK_PACKAGE_HOMEPAGE_URL https://dravikon.example.org)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(docs ${PROJECT_SOURCE_DIR}/docs)
set(staged ${CMAKE_BINARY_DIR}/package)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME dravikon-${PROJECT_VERSION}-windows-x86)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  configure_file(${docs}/README.txt ${staged}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${staged}/LICENSE.txt COPYONLY)
  # COPYONLY keeps line ends: the licence gets its CR LF here.
  file(READ ${staged}/LICENSE.txt licence)
  string(REPLACE "\n" "\r\n" licence "${licence}")
  file(WRITE ${staged}/LICENSE.txt "${licence}")
  install(PROGRAMS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/dravik.exe DESTINATION .)
  if(TARGET dravikon-packed)
    install(PROGRAMS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/dravikon.exe DESTINATION .)
  endif()
  install(FILES ${staged}/README.txt ${staged}/LICENSE.txt DESTINATION .)
elseif(NOT CMAKE_CROSSCOMPILING)
  include(GNUInstallDirs)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries it links (libdeflate, the C and C++ runtimes) found by
  # dpkg-shlibdeps, not typed here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "dravik cuts one big file into a numbered series of chunk files of a\n"
    "chosen size (a floppy, a zip disk, an upload limit). The first chunk is\n"
    "a small Windows program that checks every chunk's sequence number and\n"
    "CRC-32 and the whole file's CRC-32 and writes the file back; dravikx\n"
    "does the same on Linux.")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
  # The programs without their debugging symbols. dravik is stripped before
  # its stub is appended: strip would drop the appended archive.
  find_program(STRIP_PROGRAM NAMES strip REQUIRED)
  add_custom_command(OUTPUT ${staged}/dravik ${staged}/dravikx
    COMMAND ${STRIP_PROGRAM} -o ${staged}/dravik-bare $<TARGET_FILE:dravik-bare>
    COMMAND $<TARGET_FILE:dravik-pack> ${staged}/dravik-bare ${DRAVIK_STUB_FILE} ${staged}/dravik
    COMMAND ${STRIP_PROGRAM} -o ${staged}/dravikx $<TARGET_FILE:dravikx>
    DEPENDS dravik-bare dravikx dravik-pack ${DRAVIK_STUB_DEPENDS}
    VERBATIM)
  install(PROGRAMS ${staged}/dravik ${staged}/dravikx TYPE BIN)
  # Debian wants manual pages and the changelog compressed, without a
  # time stamp (gzip -n), so that builds are reproducible.
  set(compressed)
  foreach(page dravik.1 dravikx.1)
    configure_file(${docs}/man/${page} ${staged}/${page} @ONLY)
    add_custom_command(OUTPUT ${staged}/${page}.gz
      COMMAND gzip -9nf -k ${staged}/${page}
      DEPENDS ${staged}/${page} VERBATIM)
    list(APPEND compressed ${staged}/${page}.gz)
    install(FILES ${staged}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  configure_file(${docs}/changelog ${staged}/changelog COPYONLY)
  add_custom_command(OUTPUT ${staged}/changelog.gz
    COMMAND gzip -9nf -k ${staged}/changelog
    DEPENDS ${staged}/changelog VERBATIM)
  list(APPEND compressed ${staged}/changelog.gz)
  add_custom_target(package-files ALL DEPENDS ${compressed} ${staged}/dravik ${staged}/dravikx)
  set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/dravikon)
  install(FILES ${docs}/copyright ${staged}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${docdir})
endif()
include(CPack)
