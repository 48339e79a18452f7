# The suite's own code that needs no Windows (message and list parsing, ...):
# suite_tarniv/portable/*.cpp, tested by tests/portable/*.cpp in every preset,
# natively under the sanitizers.
file(GLOB suite_portable_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/suite_tarniv/portable/*.cpp)
if(suite_portable_sources)
  add_library(suite_portable STATIC ${suite_portable_sources})
  target_include_directories(suite_portable PUBLIC ${PROJECT_SOURCE_DIR}/suite_tarniv/portable)
  # The option pages' option sets are built on the option parser.
  target_link_libraries(suite_portable PUBLIC pattern_engine)
  file(GLOB suite_portable_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/portable/*.cpp)
  if(suite_portable_tests)
    suite_add_gtest(suite_portable_tests SOURCES ${suite_portable_tests} LIBS suite_portable)
  endif()
endif()
