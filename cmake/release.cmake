# Release builds (the *-release presets): every DLL and program this project
# links keeps its debug information in NAME.debug beside it, found again
# through a debug link, and ships without it. Appending to the link rules
# needs no line in the targets' own build files.
#
# The same commit gives the same bytes wherever and whenever it is built: the
# linker stamps the PE headers with the commit's time (SOURCE_DATE_EPOCH when
# it is set), and no file records the folder it was built in (source file
# names in the exception log and the debug information are relative to the
# checkout).
find_program(SUITE_OBJCOPY ${SUITE_MINGW_TRIPLE}-objcopy REQUIRED)
foreach(rule CMAKE_CXX_CREATE_SHARED_LIBRARY CMAKE_CXX_LINK_EXECUTABLE)
  list(APPEND ${rule}
    "${SUITE_OBJCOPY} --only-keep-debug <TARGET> <TARGET>.debug"
    "${SUITE_OBJCOPY} --strip-debug --add-gnu-debuglink=<TARGET>.debug <TARGET>")
endforeach()

execute_process(
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/source-date-epoch.sh
  OUTPUT_VARIABLE SUITE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
# ld reads SOURCE_DATE_EPOCH for the PE time stamps. widl does not: it writes
# the time it ran into the type library (which the DLL carries), so it runs
# with the clock stopped at the commit's time.
find_program(SUITE_FAKETIME faketime REQUIRED)
execute_process(
  COMMAND date -u -d @${SUITE_SOURCE_DATE_EPOCH} "+%Y-%m-%d %H:%M:%S"
  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(SUITE_WIDL_LAUNCHER ${CMAKE_COMMAND} -E env TZ=UTC ${SUITE_FAKETIME} -f ${commit_time})
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${SUITE_SOURCE_DATE_EPOCH}")

# The commit's time as a file, rewritten only when it changes: every link and
# the type library depend on it, so a tree whose HEAD has moved relinks even
# when no source changed, and its stamps follow the new commit.
set(SUITE_EPOCH_FILE ${CMAKE_BINARY_DIR}/source-date-epoch.txt)
file(CONFIGURE OUTPUT ${SUITE_EPOCH_FILE} CONTENT "${SUITE_SOURCE_DATE_EPOCH}\n")
function(suite_link_after_epoch directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${SUITE_EPOCH_FILE})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    suite_link_after_epoch(${subdirectory})
  endforeach()
endfunction()
# Once every target exists: at the end of the top-level list.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL suite_link_after_epoch ${CMAKE_SOURCE_DIR})
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
