# Included by ctest after the tests of skins_gen_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS skins_gen_tests_TESTS)
  if(_test MATCHES "Xcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.gen;xcheck")
  endif()
endforeach()
