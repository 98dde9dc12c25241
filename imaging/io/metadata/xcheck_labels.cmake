# Included by ctest after the tests of io_metadata_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS io_metadata_tests_TESTS)
  if(_test MATCHES "^IoMetadataXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.metadata;xcheck")
  endif()
endforeach()
