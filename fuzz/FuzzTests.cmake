# Each fuzz target as an ordinary CTest test of the main build: a bounded run over its seed
# corpus, its regression cases included. scripts/test builds the native targets (build/fuzz).
include(${CMAKE_CURRENT_LIST_DIR}/Targets.cmake)
set(QZR_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs in the test suite")
foreach(target ${QZR_FUZZ_TARGETS})
  add_test(NAME fuzz_${target}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/fuzz --target ${target} ${QZR_FUZZ_SECONDS}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(fuzz_${target} PROPERTIES TIMEOUT 180 LABELS fuzz
                       ENVIRONMENT "QZR_BUILD_DIR=${CMAKE_BINARY_DIR}")
endforeach()

# qzrlint's Linux build (built with the fuzz targets), on the samples and a broken file.
add_test(NAME lint_native
         COMMAND sh ${PROJECT_SOURCE_DIR}/tests/tools/lint_native.sh ${CMAKE_BINARY_DIR}/fuzz/bin/qzrlint
                 ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/lint-native)
set_tests_properties(lint_native PROPERTIES TIMEOUT 60 LABELS fuzz)
