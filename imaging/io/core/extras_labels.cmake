# Included by ctest after the tests of io_core_tests are discovered: the
# component's video frames, counts, text export and HTTP loads by area.
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^ImgIOVideoXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.video;xcheck")
  elseif(_test MATCHES "^ImgIOVideo\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.video")
  elseif(_test MATCHES "^ImgIO(Counts|Text)\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.misc")
  elseif(_test MATCHES "^ImgIOUrl\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.http")
  endif()
endforeach()
