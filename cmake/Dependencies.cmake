# zlib from libz-mingw-w64-dev; minizip's unzip layer from Debian's zlib source
# (fetched by scripts/setup into the build tree); GoogleTest from Debian's sources.

# zlib is linked statically: the setup library ships alone, and the device has no zlib1.dll.
# A cache variable of its own, so that build trees configured before keep no import library.
find_package(ZLIB REQUIRED)
find_library(QZR_ZLIB_STATIC NAMES libz.a REQUIRED)
add_library(zlib_static STATIC IMPORTED)
set_target_properties(zlib_static PROPERTIES IMPORTED_LOCATION ${QZR_ZLIB_STATIC}
                      INTERFACE_INCLUDE_DIRECTORIES "${ZLIB_INCLUDE_DIRS}")

set(QZR_ZLIB_SOURCE ${CMAKE_BINARY_DIR}/_deps/zlib-src CACHE PATH "Unpacked Debian zlib source tree")
set(QZR_MINIZIP_DIR ${QZR_ZLIB_SOURCE}/contrib/minizip)
if(NOT EXISTS ${QZR_MINIZIP_DIR}/unzip.c)
  message(FATAL_ERROR "minizip sources not found in ${QZR_MINIZIP_DIR}; run scripts/setup first")
endif()

add_library(minizip STATIC ${QZR_MINIZIP_DIR}/unzip.c ${QZR_MINIZIP_DIR}/ioapi.c ${QZR_MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${QZR_MINIZIP_DIR})
target_link_libraries(minizip PUBLIC zlib_static)
target_compile_options(minizip PRIVATE -w)
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)

# minizip's own extraction tool, built from the same sources as the reference for benchmarks.
add_executable(miniunz ${QZR_MINIZIP_DIR}/miniunz.c)
target_link_libraries(miniunz PRIVATE minizip)
target_compile_options(miniunz PRIVATE -w)

if(QZR_BUILD_TESTS)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  # Compiled like the test programs (tests/CMakeLists.txt): for build time, not speed.
  foreach(target gtest gtest_main gmock gmock_main)
    target_compile_options(${target} PRIVATE -O0)
  endforeach()
endif()
