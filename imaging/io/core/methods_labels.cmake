# Included by ctest after the tests of io_core_tests are discovered: the
# component's per-format methods carry io.methods besides the component's
# labels (their worker-thread test also io.async, their cross-checks against
# independent tools also xcheck).
foreach(_test IN LISTS io_core_tests_TESTS)
  if(_test MATCHES "^ImgIOMethodsXcheck\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component;io.methods;xcheck")
  elseif(_test MATCHES "^ImgIOMethodsAsync\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component;io.methods;io.async")
  elseif(_test MATCHES "^ImgIOMethods[A-Za-z]*\\.")
    set_tests_properties("${_test}" PROPERTIES LABELS "io.core;io.component;io.methods")
  endif()
endforeach()
