# Included by ctest after the tests of skintool_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS skintool_tests_TESTS)
  if(_test MATCHES "Xcheck$")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.tool;xcheck")
  endif()
endforeach()
