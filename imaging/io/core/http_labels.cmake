# Included by ctest after the tests of io_core_tests are discovered: the HTTP
# transport's tests (loopback only) carry the label io.http.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^HttpGet\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.http")
  endif()
endforeach()
