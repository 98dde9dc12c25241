# Included by ctest after the tests of views_view_tests are discovered: the
# tests that post from a worker thread also carry views.async, which the
# ThreadSanitizer build runs.
foreach(_test IN LISTS views_view_tests_TESTS)
  if(_test MATCHES "^ImgViewAsync\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "views.view;views.async")
  endif()
endforeach()
