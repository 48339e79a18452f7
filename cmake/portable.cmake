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

# libFuzzer targets for the code that reads outside text (native, clang
# only), wired as the pattern engine's: the sources are compiled into each
# fuzzer for its coverage instrumentation, and CTest replays the seeds.
if(suite_portable_sources AND SUITE_NATIVE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  foreach(kind tool_message command_line_text tool_options)
    set(fuzzer suite_fuzz_${kind})
    add_executable(${fuzzer} ${PROJECT_SOURCE_DIR}/fuzz/fuzz_${kind}.cpp ${suite_portable_sources}
                             ${PATTERN_ENGINE_SOURCES})
    target_include_directories(${fuzzer} PRIVATE
      ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/suite_tarniv/portable)
    target_compile_options(${fuzzer} PRIVATE ${PATTERN_FUZZ_FLAGS} -O1 -g)
    target_link_options(${fuzzer} PRIVATE ${PATTERN_FUZZ_FLAGS})
    set_target_properties(${fuzzer} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    file(GLOB seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/${kind}/*)
    if(SUITE_RUN_TESTS AND seeds)
      add_test(NAME ${fuzzer}_seeds COMMAND ${fuzzer} ${seeds})
    endif()
  endforeach()
endif()
