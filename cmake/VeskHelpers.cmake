# vesk_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
# A GoogleTest program whose cases are registered with CTest one by one.
function(vesk_add_test name)
  if(NOT VESK_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VESK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VESK_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  set(props TIMEOUT 300)
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()
