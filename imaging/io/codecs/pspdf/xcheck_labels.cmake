# Included by ctest after the tests of io_codec_pspdf_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_codec_pspdf_tests_TESTS)
  if(_test MATCHES "^(PdfXcheck|PsPdfWriterXcheck)\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.pspdf;io.coders;xcheck")
  endif()
endforeach()
