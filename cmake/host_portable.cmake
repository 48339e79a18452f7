# The host's code that needs no Windows (command-line words, the compilation
# database, SARIF): host/portable/*.cpp, tested by tests/host_portable/*.cpp
# in every preset, natively under the sanitizers.

# nlohmann-json is header-only. The compilers get an include folder that
# holds it alone, so that a cross build never sees the build machine's other
# headers.
find_path(NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(nlohmann_json_only ${CMAKE_BINARY_DIR}/nlohmann-json-include)
file(MAKE_DIRECTORY ${nlohmann_json_only})
if(NOT EXISTS ${nlohmann_json_only}/nlohmann)
  file(CREATE_LINK ${NLOHMANN_JSON_INCLUDE_DIR}/nlohmann ${nlohmann_json_only}/nlohmann SYMBOLIC)
endif()
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${nlohmann_json_only})

file(GLOB host_portable_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/portable/*.cpp)
add_library(host_portable STATIC ${host_portable_sources})
target_include_directories(host_portable PUBLIC ${PROJECT_SOURCE_DIR}/host/portable)
target_link_libraries(host_portable PRIVATE nlohmann_json_headers)
file(GLOB host_portable_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/host_portable/*.cpp)
if(host_portable_tests)
  suite_add_gtest(host_portable_tests SOURCES ${host_portable_tests} LIBS host_portable nlohmann_json_headers)
endif()

# A libFuzzer target for what reads outside text: an existing database and
# the command lines and messages of a build (native, clang only).
if(SUITE_NATIVE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND PATTERN_FUZZ_FLAGS)
  add_executable(host_fuzz_build_records ${PROJECT_SOURCE_DIR}/fuzz/fuzz_build_records.cpp ${host_portable_sources})
  target_include_directories(host_fuzz_build_records PRIVATE ${PROJECT_SOURCE_DIR}/host/portable)
  target_link_libraries(host_fuzz_build_records PRIVATE nlohmann_json_headers)
  target_compile_options(host_fuzz_build_records PRIVATE ${PATTERN_FUZZ_FLAGS} -O1 -g)
  target_link_options(host_fuzz_build_records PRIVATE ${PATTERN_FUZZ_FLAGS})
  set_target_properties(host_fuzz_build_records PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  file(GLOB seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/build_records/*)
  if(SUITE_RUN_TESTS AND seeds)
    add_test(NAME host_fuzz_build_records_seeds COMMAND host_fuzz_build_records ${seeds})
  endif()
endif()
