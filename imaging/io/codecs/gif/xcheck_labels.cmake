# Included by ctest after the tests of io_codec_gif_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_gif_tests_TESTS)
  if(_test MATCHES "^GifXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.gif;xcheck")
  endif()
endforeach()
