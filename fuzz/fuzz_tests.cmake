# Without clang the build test fails and the runs are not run, which counts as failed: the
# suite never shrinks silently.
set(ORVIX_FUZZ_TEST_SECONDS 3 CACHE STRING "How long each fuzz target runs in the test suite")
set(ORVIX_FUZZ_TEST_DIR ${CMAKE_CURRENT_BINARY_DIR}/clang)

add_test(NAME fuzz_build COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run.sh build ${ORVIX_FUZZ_TEST_DIR})
set_tests_properties(fuzz_build PROPERTIES LABELS host FIXTURES_SETUP orvix_fuzzers TIMEOUT 900)

foreach(target registrar profile_reader text_operations)
  add_test(NAME fuzz_${target}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/run.sh run --fresh ${ORVIX_FUZZ_TEST_DIR} ${ORVIX_FUZZ_TEST_SECONDS} ${target})
  set_tests_properties(fuzz_${target} PROPERTIES LABELS host FIXTURES_REQUIRED orvix_fuzzers TIMEOUT 120)
endforeach()
