# Included by ctest after the tests of io_media_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_media_tests_TESTS)
  if(_test MATCHES "^(ZStreamXcheck|AviReaderXcheck|MediaFramesXcheck)\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.media;io.coders;xcheck")
  endif()
endforeach()
