# Included by ctest after the tests of skin_engine_data_tests are discovered:
# the composition and drawing routines also carry the label skin.draw.
foreach(_test IN LISTS skin_engine_data_tests_TESTS)
  if(_test MATCHES "^(SkinImage|SkinMask|SkinDraw|SkinGeometry|SkinSystem|PaintParentImage)[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "skin.data;skin.draw")
  endif()
endforeach()
