# Included by ctest after the tests of io_codec_tiff_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_tiff_tests_TESTS)
  if(_test MATCHES "^TiffXcheck(Reader)?\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.tiff;io.coders;xcheck")
  elseif(_test MATCHES "^TiffWriteXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.tiff;io.tiffwrite;xcheck")
  elseif(_test MATCHES "^TiffWrite")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.tiff;io.tiffwrite")
  endif()
endforeach()
