# Included by ctest after the tests of io_codec_psd_tests are discovered: the
# cross-checks against ImageMagick also carry the label xcheck.
foreach(_test IN LISTS io_codec_psd_tests_TESTS)
  if(_test MATCHES "^PsdXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.psd;xcheck")
  endif()
endforeach()
