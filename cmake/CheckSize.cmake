# cmake -DFILE=PATH -DLIMIT=BYTES -DWHY=TEXT -P CheckSize.cmake: fails the
# build when FILE is larger than LIMIT bytes, saying why the limit is there.
file(SIZE "${FILE}" size)
if(size GREATER LIMIT)
  get_filename_component(name "${FILE}" NAME)
  message(FATAL_ERROR "${name} is ${size} bytes, over its limit of ${LIMIT}: ${WHY}")
endif()
