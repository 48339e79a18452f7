# Command-line pattern engine and option parser: portable C++17, built in
# every preset. Natively (SUITE_NATIVE) also the libFuzzer targets (clang
# only) and the benchmark.

set(PATTERN_ENGINE_SOURCES
  ${PROJECT_SOURCE_DIR}/include/pattern_engine.cpp
  ${PROJECT_SOURCE_DIR}/include/option_parser.cpp)

add_library(pattern_engine STATIC ${PATTERN_ENGINE_SOURCES})
target_include_directories(pattern_engine PUBLIC ${PROJECT_SOURCE_DIR}/include)
target_compile_features(pattern_engine PUBLIC cxx_std_17)

suite_add_gtest(pattern_engine_tests
  SOURCES
    ${PROJECT_SOURCE_DIR}/tests/pattern/grammar_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/scan_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/error_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/match_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/generate_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/bounds_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/pattern/option_parser_test.cpp
  LIBS pattern_engine)

if(SUITE_NATIVE)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # The engine is compiled into each fuzzer so that it carries the
    # fuzzer's coverage instrumentation.
    set(PATTERN_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    file(GLOB PATTERN_FUZZ_SEEDS_engine ${PROJECT_SOURCE_DIR}/fuzz/corpus/engine/*)
    file(GLOB PATTERN_FUZZ_SEEDS_parser ${PROJECT_SOURCE_DIR}/fuzz/corpus/parser/*)
    foreach(kind engine parser)
      set(fuzzer pattern_fuzz_${kind})
      add_executable(${fuzzer} ${PROJECT_SOURCE_DIR}/fuzz/fuzz_${kind}.cpp ${PATTERN_ENGINE_SOURCES})
      target_include_directories(${fuzzer} PRIVATE
        ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/tests/pattern)
      target_compile_options(${fuzzer} PRIVATE ${PATTERN_FUZZ_FLAGS} -O1 -g)
      target_link_options(${fuzzer} PRIVATE ${PATTERN_FUZZ_FLAGS})
      set_target_properties(${fuzzer} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
      # Replays the seed corpus (no fuzzing); scripts/run-fuzzers.sh fuzzes.
      if(SUITE_RUN_TESTS AND PATTERN_FUZZ_SEEDS_${kind})
        add_test(NAME ${fuzzer}_seeds COMMAND ${fuzzer} ${PATTERN_FUZZ_SEEDS_${kind}})
      endif()
    endforeach()
  endif()

  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    # Optimised whatever the build type; the engine is compiled in so that it
    # is optimised too. Sanitizers come from the preset (off with
    # -DSUITE_SANITIZE=OFF, the configuration to take figures from).
    add_executable(pattern_bench ${PROJECT_SOURCE_DIR}/bench/pattern/pattern_bench.cpp ${PATTERN_ENGINE_SOURCES})
    target_include_directories(pattern_bench PRIVATE
      ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/tests/pattern)
    target_compile_options(pattern_bench PRIVATE -O2)
    target_link_libraries(pattern_bench PRIVATE benchmark::benchmark)
  else()
    message(STATUS "Google Benchmark not found: pattern_bench is not built")
  endif()
endif()
