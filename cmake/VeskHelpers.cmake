# vesk_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
# A GoogleTest program whose cases are registered with CTest one by one; it links the
# shared test support (tests/support) as every test program does.
function(vesk_add_test name)
  if(NOT VESK_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vesk_testsupport GTest::gtest GTest::gtest_main)
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

# vesk_add_qt_test(NAME SOURCES a.cpp b.h LIBS lib1 lib2 [TIMEOUT seconds])
# A QtTest program (moc run on its sources), registered with CTest as one test that
# runs offscreen, labelled "app"; 300 s unless TIMEOUT says otherwise. It links the
# shared test support (tests/support).
function(vesk_add_qt_test name)
  if(NOT VESK_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${T_LIBS} vesk_testsupport Qt6::Test)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE VESK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    LABELS "app"
    TIMEOUT ${T_TIMEOUT})
endfunction()
