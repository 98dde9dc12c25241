# Included by ctest after the tests of app_convert_tests are discovered: the
# folder's label is app.convert; suites named E2E* also carry app.e2e (whole
# runs through the main window) and suites named Pipeline* app.pipeline (the
# advanced-options chain).
foreach(_test IN LISTS app_convert_tests_TESTS)
  if(_test MATCHES "^E2E[A-Za-z0-9_]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "app.convert;app.e2e")
  elseif(_test MATCHES "^Pipeline[A-Za-z0-9_]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "app.convert;app.pipeline")
  endif()
endforeach()
