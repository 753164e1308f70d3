# Copies the public headers (HEADERS, relative to SOURCE_DIR), ie.h and ie_c.h to
# OUTPUT_DIR, their includes of the library's folders written as <ie/...>
# as a host includes them.
function(copy_public SOURCE DESTINATION)
  file(READ ${SOURCE} TEXT)
  string(REGEX REPLACE "#include \"((runtime|libs|core|rete|functions|engine|parser|packages)/[^\"]+)\""
         "#include <ie/\\1>" TEXT "${TEXT}")
  file(WRITE ${DESTINATION} "${TEXT}")
endfunction()

foreach(HEADER IN LISTS HEADERS)
  copy_public(${SOURCE_DIR}/${HEADER} ${OUTPUT_DIR}/${HEADER})
endforeach()
copy_public(${SOURCE_DIR}/include/ie/ie.h ${OUTPUT_DIR}/ie.h)
copy_public(${SOURCE_DIR}/include/ie/ie_c.h ${OUTPUT_DIR}/ie_c.h)
