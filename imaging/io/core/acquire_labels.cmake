# Included by ctest after the tests of io_core_tests are discovered: the
# acquisition remnants carry the label io.acquire.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^Acquire\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.acquire")
  endif()
endforeach()
