# Included by ctest after the tests of io_codec_png_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_png_tests_TESTS)
  if(_test MATCHES "^PngXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.png;xcheck")
  endif()
endforeach()
