# Included by ctest after the tests of io_core_tests are discovered: the
# detection tests belong to the I/O component's area, and its cross-check
# against an independent tool also carries the label xcheck.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^DetectXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component;xcheck")
  elseif(_test MATCHES "^Detect[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component")
  endif()
endforeach()
