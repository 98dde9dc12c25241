# Included by ctest after the tests of skin_engine_data_tests are discovered:
# the cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS skin_engine_data_tests_TESTS)
  if(_test MATCHES "Xcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.data;xcheck")
  endif()
endforeach()
