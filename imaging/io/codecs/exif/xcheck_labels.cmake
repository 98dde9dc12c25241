# Included by ctest after the tests of io_codec_exif_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_exif_tests_TESTS)
  if(_test MATCHES "^ExifBlockXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.exif;xcheck")
  endif()
endforeach()
