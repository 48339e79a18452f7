set(CMAKE_C_COMPILER ${SUITE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SUITE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SUITE_MINGW_TRIPLE}-windres)
set(SUITE_WIDL ${SUITE_MINGW_TRIPLE}-widl CACHE STRING "IDL compiler")
set(CMAKE_FIND_ROOT_PATH /usr/${SUITE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Everything static: the DLL and the programs must load in a bare prefix
# (and in the IDE) without the compiler's runtime DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
