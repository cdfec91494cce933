# The Windows build (MinGW-w64 GCC: cross from Linux with cmake/mingw-w64-x86_64.cmake,
# or natively with MSYS2), included by the top-level CMakeLists.txt when WIN32: the
# core libraries, the command-line tool `vesk.exe`, the chip files beside it, the
# simulated programmer in the same process (the program `vesk-sim` on its pseudo-
# terminal is POSIX-only), and the tests that need no pseudo-terminal (tests/windows):
# the driver, operation and command tests among them, on the simulated programmer.
# The benchmarks and fuzz targets are POSIX-only. The desktop program needs a Qt 6 kit for MinGW-w64:
# with VESK_BUILD_APP on and the kit in CMAKE_PREFIX_PATH it is built as well (not
# built or tested here; see the block at the end).
#
# The folders' own test directories use pseudo-terminals; they are skipped here by
# holding VESK_BUILD_TESTS off while the folders are added. tests/windows builds the
# portable test sources, with GoogleTest compiled from source.

include(${CMAKE_CURRENT_LIST_DIR}/VeskHelpers.cmake)

set(VESK_WINDOWS_TESTS ${VESK_BUILD_TESTS})
set(VESK_BUILD_TESTS OFF)

# Windows headers: no min/max macros, nothing from the rarely used parts.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)
# GCC 12 reports a false -Wrestrict inside libstdc++'s string concatenation at -O2
# (GCC bug 105329); it is not in this code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-Wno-restrict)
endif()

foreach(dir common tests/support hexfile chipdef serial storage driver ops sim cli chips)
  add_subdirectory(${dir})
endforeach()

# CLI11 is header-only. A cross build takes the build machine's copy (Debian's
# libcli11-dev), reached through a folder of its own so that no other host header
# is seen; a native build finds it on its include path.
if(CMAKE_CROSSCOMPILING)
  find_path(VESK_CLI11_HOST_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
  if(VESK_CLI11_HOST_DIR)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11)
    file(CREATE_LINK ${VESK_CLI11_HOST_DIR}/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)
    target_include_directories(vesk_cli SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/cli11)
  endif()
endif()

# The desktop program WinVESK with its buffer and terminal views, for a Qt 6 kit built
# with the same MinGW-w64 GCC. Nothing here is built or run by the Linux cross build:
# Debian has no Qt for MinGW, so without a kit the folders are left out (and
# scripts/windows-test configures with VESK_BUILD_APP off). The folders' tests use
# pseudo-terminals and the simulator and stay off (VESK_BUILD_TESTS is off here).
if(VESK_BUILD_APP)
  find_package(Qt6 COMPONENTS Widgets QUIET)
  if(Qt6_FOUND)
    foreach(dir app/bufferview app/termview app)
      if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${dir})
      endif()
    endforeach()
    # A window program: no console window beside it (Qt's entry point supplies
    # WinMain and calls main).
    if(TARGET WinVESK)
      set_target_properties(WinVESK PROPERTIES WIN32_EXECUTABLE ON)
    endif()
  else()
    message(STATUS "Qt 6 for Windows not found: the desktop program is not built "
                   "(give the kit with CMAKE_PREFIX_PATH or Qt6_DIR, or set VESK_BUILD_APP=OFF)")
  endif()
endif()

if(VESK_WINDOWS_TESTS)
  set(VESK_BUILD_TESTS ON)
  enable_testing()
  include(GoogleTest)
  add_subdirectory(tests/windows)
endif()
