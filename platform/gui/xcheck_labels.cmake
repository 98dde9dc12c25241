# Included by ctest after the tests of platform_gui_tests are discovered: the
# cross-checks against independent tools also carry the label xcheck.
foreach(_test IN LISTS platform_gui_tests_TESTS)
  if(_test MATCHES "^MetafileXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "gui;xcheck")
  endif()
endforeach()
