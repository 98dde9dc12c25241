# Included by ctest after the tests of app_convert_tests are discovered: the
# end-to-end runs through the main window carry app.e2e as well.
foreach(_test IN LISTS app_convert_tests_TESTS)
  if(_test MATCHES "^ConvertE2E[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "app.convert;app.e2e")
  endif()
endforeach()
