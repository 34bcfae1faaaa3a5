# Shared helpers of both configurations.

# __FILE__ in exception texts names the source relative to the checkout
# ("DravikLib/Splitter.cpp"), whatever folder the tree was built in.
add_compile_options(-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)

# The pack tool: built here on the host, taken from the host build
# (-DDRAVIK_PACK=...) when cross-compiling.
if(CMAKE_CROSSCOMPILING)
  set(DRAVIK_PACK "" CACHE FILEPATH "dravik-pack from the host build")
endif()

# The stub every first chunk carries, packed into the splitters: in a Windows
# build the dravikx.exe built beside them; in the host build the one the
# Windows build made (tools/dev passes it as DRAVIK_STUB), or, before there
# is one, a placeholder that says so.
set(DRAVIK_STUB "" CACHE FILEPATH "Self-extractor stub packed into the splitters")
set(DRAVIK_PLACEHOLDER_STUB ${CMAKE_BINARY_DIR}/placeholder-stub.bin)
file(WRITE ${DRAVIK_PLACEHOLDER_STUB}
  "Dravikon placeholder stub: this build carries no self-extractor yet.\n")
set(DRAVIK_STUB_DEPENDS)
if(DRAVIK_STUB)
  set(DRAVIK_STUB_FILE ${DRAVIK_STUB})
elseif(WIN32)
  set(DRAVIK_STUB_FILE $<TARGET_FILE:dravikx>)
  set(DRAVIK_STUB_DEPENDS dravikx)
else()
  set(DRAVIK_STUB_FILE ${DRAVIK_PLACEHOLDER_STUB})
endif()

# dravik_pack(NAME TARGET STUB): writes bin/NAME, the program of TARGET with
# the file STUB appended as its one archive entry, DATA0. TARGET's own output
# goes to bare/ so that only packed programs stand in bin/.
function(dravik_pack name target stub)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bare)
  set(out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}${CMAKE_EXECUTABLE_SUFFIX})
  if(CMAKE_CROSSCOMPILING)
    set(pack ${DRAVIK_PACK})
    set(packdep)
  else()
    set(pack $<TARGET_FILE:dravik-pack>)
    set(packdep dravik-pack)
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND ${pack} $<TARGET_FILE:${target}> ${stub} ${out}
    DEPENDS ${target} ${stub} ${packdep} ${DRAVIK_STUB_DEPENDS}
    COMMENT "Packing ${name}"
    VERBATIM)
  add_custom_target(${name}-packed ALL DEPENDS ${out})
endfunction()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/Win32.cmake)
endif()
