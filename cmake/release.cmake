# Release builds (the *-release presets): every DLL and program this project
# links keeps its debug information in NAME.debug beside it, found again
# through a debug link, and ships without it. Appending to the link rules
# needs no line in the targets' own build files.
find_program(SUITE_OBJCOPY ${SUITE_MINGW_TRIPLE}-objcopy REQUIRED)
foreach(rule CMAKE_CXX_CREATE_SHARED_LIBRARY CMAKE_CXX_LINK_EXECUTABLE)
  list(APPEND ${rule}
    "${SUITE_OBJCOPY} --only-keep-debug <TARGET> <TARGET>.debug"
    "${SUITE_OBJCOPY} --strip-debug --add-gnu-debuglink=<TARGET>.debug <TARGET>")
endforeach()
