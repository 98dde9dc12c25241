# Included by ctest after the tests of app_rename_tests are discovered: the
# end-to-end tests through the main window also carry the label app.e2e.
foreach(_test IN LISTS app_rename_tests_TESTS)
  if(_test MATCHES "^RenameE2e")
    set_tests_properties("${_test}" PROPERTIES LABELS "app.rename;app.e2e")
  endif()
endforeach()
