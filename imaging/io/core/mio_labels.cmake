# Included by ctest after the tests of io_core_tests are discovered: the
# multi-image component carries the label io.mio.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^ImgMIO\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.mio")
  endif()
endforeach()
