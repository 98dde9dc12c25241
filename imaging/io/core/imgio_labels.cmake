# Included by ctest after the tests of io_core_tests are discovered: the I/O
# component's tests carry io.component; its worker-thread tests also io.async,
# the label the ThreadSanitizer build runs.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^ImgIOAsync\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component;io.async")
  elseif(_test MATCHES "^ImgIO[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component")
  endif()
endforeach()
