# Included by ctest after the tests of io_codec_tga_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_tga_tests_TESTS)
  if(_test MATCHES "^TgaXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.tga;xcheck")
  endif()
endforeach()
