# Included by ctest after the tests of io_codec_jpeg2000_tests are discovered:
# the cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_jpeg2000_tests_TESTS)
  if(_test MATCHES "^J2kXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.j2k;xcheck")
  endif()
endforeach()
