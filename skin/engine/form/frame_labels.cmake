# Included by ctest after the tests of skin_engine_form_tests are discovered:
# the skinned frame's, its caption's, hit testing's, window states', hints' and tray
# icon's tests also carry skin.frame.
foreach(_test IN LISTS skin_engine_form_tests_TESTS)
  if(_test MATCHES "^(SkinFrame|SkinHint|SkinCaption|SkinHitTest|SkinMoveSize|SkinWindowState|TrayIcon)[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.form;skin.frame")
  endif()
endforeach()
