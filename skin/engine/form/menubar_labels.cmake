# Included by ctest after the tests of skin_engine_form_tests are discovered:
# the system menu's, the menu keys' and hooks', the window menu's and the
# skin components' tests also carry skin.menubar.
foreach(_test IN LISTS skin_engine_form_tests_TESTS)
  if(_test MATCHES "^(SysMenu|MenuKeys|MenuHook|WindowMenu|SkinComponent)[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.form;skin.menubar")
  endif()
endforeach()
