# Included by ctest after the tests of io_codec_pnm_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_pnm_tests_TESTS)
  if(_test MATCHES "^(Pxm|Wbmp)Xcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.pxm;xcheck")
  endif()
endforeach()
