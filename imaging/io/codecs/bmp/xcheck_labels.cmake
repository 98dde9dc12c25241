# Included by ctest after the tests of io_codec_bmp_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_bmp_tests_TESTS)
  if(_test MATCHES "^BmpXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.bmp;xcheck")
  endif()
endforeach()
foreach(_test IN LISTS io_codec_bmp_tests_TESTS)
  if(_test MATCHES "^IcoXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.ico;xcheck")
  endif()
endforeach()
