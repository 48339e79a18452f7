# The host contract: IDL -> headers and type library.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(widl_arch --win64)
else()
  set(widl_arch --win32)
endif()
set(generated ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${generated})
# SUITE_WIDL_LAUNCHER: the release build stops the clock widl reads.
set(widl ${SUITE_WIDL_LAUNCHER} ${SUITE_WIDL} ${widl_arch} -I/usr/include/wine/wine/windows
    -L/usr/lib/x86_64-linux-gnu/wine/x86_64-windows -I${PROJECT_SOURCE_DIR}/module -I${generated})

add_custom_command(
  OUTPUT ${generated}/suite_tarniv18.h ${generated}/suite_tarniv18.tlb
  COMMAND ${widl} -h -o ${generated}/suite_tarniv18.h ${PROJECT_SOURCE_DIR}/module/suite_tarniv18.idl
  COMMAND ${widl} -t -o ${generated}/suite_tarniv18.tlb ${PROJECT_SOURCE_DIR}/module/suite_tarniv18.idl
  # SUITE_EPOCH_FILE: in a release build the type library carries the commit's time.
  DEPENDS ${PROJECT_SOURCE_DIR}/module/suite_tarniv18.idl ${SUITE_EPOCH_FILE}
  COMMENT "Generating the contract headers and type library")
add_custom_command(
  OUTPUT ${generated}/host_ext.h
  COMMAND ${widl} -h -o ${generated}/host_ext.h ${PROJECT_SOURCE_DIR}/module/host_ext.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/module/host_ext.idl ${PROJECT_SOURCE_DIR}/module/suite_tarniv18.idl
  COMMENT "Generating the host extension headers")
add_custom_command(
  OUTPUT ${generated}/atliface.h
  COMMAND ${widl} -h -o ${generated}/atliface.h /usr/include/wine/wine/windows/atliface.idl
  COMMENT "Generating the registrar interface header")
add_custom_target(suite_contract_headers
  DEPENDS ${generated}/suite_tarniv18.h ${generated}/host_ext.h ${generated}/suite_tarniv18.tlb ${generated}/atliface.h)

add_library(suite_contract INTERFACE)
target_include_directories(suite_contract INTERFACE ${generated} ${PROJECT_SOURCE_DIR}/include)
add_dependencies(suite_contract suite_contract_headers)
target_compile_definitions(suite_contract INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(suite_contract INTERFACE ole32 oleaut32 uuid advapi32 version shlwapi comctl32 gdi32 user32)

