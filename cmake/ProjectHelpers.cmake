# Build helpers shared by every folder.
#
# One static library per folder: every *.cpp of the folder except *_test.cpp
# and *_fuzz.cpp. Headers are included by their path from the repository root
# ("platform/rtl/strings.h").

# The library sources of one folder, into the variable var.
function(project_folder_sources var dir)
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
  list(FILTER _srcs EXCLUDE REGEX "_(test|fuzz)\\.cpp$")
  set(${var} ${_srcs} PARENT_SCOPE)
endfunction()

# A subsystem whose folders need each other builds one library over them: the
# other folders' sources come as EXTRA_SOURCES (see project_folder_sources).
function(project_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS;EXTRA_SOURCES" ${ARGN})
  project_folder_sources(_srcs "${CMAKE_CURRENT_SOURCE_DIR}")
  add_library(${name} STATIC ${_srcs} ${ARG_EXTRA_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# One GoogleTest executable per library from the folder's *_test.cpp files,
# named <lib>_tests, or PROGRAM for a folder of a library that spans several
# folders (each folder keeps its own program and labels).
# Tests are discovered when ctest runs, not at build time.
function(project_add_tests lib)
  if(NOT PROJECT_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "PROGRAM" "LABELS;DEPS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp")
  if(NOT _tests)
    return()
  endif()
  set(_prog ${lib}_tests)
  if(ARG_PROGRAM)
    set(_prog ${ARG_PROGRAM})
  endif()
  add_executable(${_prog} ${_tests})
  target_link_libraries(${_prog} PRIVATE ${lib} ${ARG_DEPS} project_test_main GTest::gmock)
  # Test code builds at -O0: the optimiser is most of the build time of the
  # assertion-heavy test sources, while the code under test keeps its level.
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    target_compile_options(${_prog} PRIVATE -O0)
  endif()
  target_compile_definitions(${_prog} PRIVATE
    PROJECT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PROJECT_TESTDATA_DIR="${PROJECT_SOURCE_DIR}/testdata")
  # Labels go on the folder: the test-time discovery script flattens a list
  # of labels given as a test property.
  set_property(DIRECTORY APPEND PROPERTY LABELS ${ARG_LABELS})
  gtest_discover_tests(${_prog}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120)
endfunction()

# A window test program on a private X server, which the test starts itself
# (it is skipped where Xvfb is not installed): TARGET from SOURCES and the X11
# probe, linked with DEPS and XTest, its screenshots kept in output/ of its
# build folder. The folder's tests carry LABELS only: a window test is not a
# display-free test of the folders above. Without the X11 headers it warns
# that there is no WHAT and makes nothing.
function(project_add_xvfb_program target)
  if(NOT PROJECT_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "WHAT" "SOURCES;DEPS;LABELS;DEFINITIONS" ${ARGN})
  find_package(X11)
  if(NOT TARGET X11::X11 OR NOT TARGET X11::Xtst)
    message(WARNING "libx11-dev and libxtst-dev are missing (scripts/setup installs them): no ${ARG_WHAT}")
    return()
  endif()
  add_executable(${target} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/platform/gui/backends/xvfb/x11_probe.cpp)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} project_test_main GTest::gtest X11::X11 X11::Xtst)
  target_compile_definitions(${target} PRIVATE XVFB_TEST_OUTPUT_DIR="${CMAKE_CURRENT_BINARY_DIR}/output"
                             ${ARG_DEFINITIONS})
  set_property(DIRECTORY PROPERTY LABELS ${ARG_LABELS})
endfunction()

# A test running PROGRAM (made by project_add_xvfb_program; nothing when it
# was not made) with ARGS: the folder's labels, TIMEOUT seconds, skipped when
# the program says the window test was skipped.
function(project_add_xvfb_test name)
  cmake_parse_arguments(ARG "" "PROGRAM;TIMEOUT" "ARGS" ${ARGN})
  if(NOT TARGET ${ARG_PROGRAM})
    return()
  endif()
  get_property(_labels DIRECTORY PROPERTY LABELS)
  add_test(NAME ${name} COMMAND ${ARG_PROGRAM} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES
    LABELS "${_labels}"
    TIMEOUT ${ARG_TIMEOUT}
    SKIP_REGULAR_EXPRESSION "window test skipped"
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/.ci/lsan.supp")
endfunction()

# A reader fuzz target. With clang and PROJECT_FUZZ a libFuzzer binary; otherwise
# a replay executable that feeds every file of the corpus once, run by ctest.
# EXTRA_CORPUS: more seed folders for the replay (files made by the build).
function(project_add_fuzzer name source corpus_dir)
  cmake_parse_arguments(ARG "" "" "DEPS;EXTRA_CORPUS" ${ARGN})
  if(PROJECT_FUZZ)
    add_executable(fuzz_${name} ${source})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS})
  else()
    add_executable(fuzz_${name} ${source})
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_DEPS} fuzz_replay_main)
    if(PROJECT_BUILD_TESTS)
      add_test(NAME fuzz_replay.${name} COMMAND fuzz_${name} "${corpus_dir}" ${ARG_EXTRA_CORPUS})
      set_tests_properties(fuzz_replay.${name} PROPERTIES LABELS "fuzz;fuzz-replay" TIMEOUT 120)
    endif()
  endif()
endfunction()

# Turns every file under DIR into a generated source holding a name -> bytes
# table that TResourceStream reads. Names are the paths relative to DIR. The
# table is registered by FUNCTION (void FUNCTION()), which the library's
# start-up calls; the library declares it in one of its headers.
function(project_embed_resources target dir)
  cmake_parse_arguments(ARG "" "FUNCTION" "" ${ARGN})
  if(NOT ARG_FUNCTION)
    message(FATAL_ERROR "project_embed_resources(${target}): FUNCTION names the start-up routine that registers them")
  endif()
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS "${dir}/*")
  set(_out "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  add_custom_command(
    OUTPUT "${_out}"
    COMMAND ${CMAKE_COMMAND} -DOUT=${_out} -DDIR=${dir} -DFUNCTION=${ARG_FUNCTION}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake"
    DEPENDS ${_files} "${PROJECT_SOURCE_DIR}/cmake/EmbedResources.cmake"
    COMMENT "Embedding resources of ${dir}")
  target_sources(${target} PRIVATE "${_out}")
endfunction()
