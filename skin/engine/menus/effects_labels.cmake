# Included by ctest after the tests of skin_engine_menus_tests are discovered:
# the effect bitmap's tests carry skin.effects, its cross-checks against an
# independent tool also xcheck; the main menu bar's tests carry skin.menubar.
foreach(_test IN LISTS skin_engine_menus_tests_TESTS)
  if(_test MATCHES "^EffectBmpXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.menus;skin.effects;xcheck")
  elseif(_test MATCHES "^EffectBmp[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.menus;skin.effects")
  elseif(_test MATCHES "^MenuBar[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.menus;skin.menubar")
  endif()
endforeach()
