# orvo_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [ENV VAR=value ...] [FIXTURES name ...])
# FIXTURES: CTest fixtures (FIXTURES_SETUP tests) that every discovered test requires, so that
# `ctest -R <one test>` in a fresh build directory runs their setup first.
# One GoogleTest executable per call, registered with CTest test by test.
# Every test runs headless: Qt's offscreen platform and the null audio output.
include(GoogleTest)
find_package(GTest REQUIRED)

set(ORVO_TEST_INCLUDE_DIR ${CMAKE_BINARY_DIR}/include/tests-support)
if(NOT EXISTS ${ORVO_TEST_INCLUDE_DIR}/tests)
  file(MAKE_DIRECTORY ${ORVO_TEST_INCLUDE_DIR})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/tests ${ORVO_TEST_INCLUDE_DIR}/tests SYMBOLIC)
endif()

function(orvo_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main ${T_LIBS})
  # Shared test support files by their path from the source root ("tests/store/DataDirFixture.h"),
  # without opening the root itself: a test reaches a module's inner headers only through
  # <target>_internals.
  target_include_directories(${name} PRIVATE ${ORVO_TEST_INCLUDE_DIR})
  target_compile_definitions(${name} PRIVATE
    ORVO_SOURCE_DIR="${CMAKE_SOURCE_DIR}" ORVO_BUILD_DIR="${CMAKE_BINARY_DIR}"
    ORVO_OUT_DIR="${ORVO_OUT}")
  # The environment goes in front of the executable as an "env" prefix: gtest_discover_tests
  # splits list-valued test properties (only the first ENVIRONMENT entry would survive), and the
  # prefix also covers the discovery run, which has to start headless too.
  set(env QT_QPA_PLATFORM=offscreen ORVO_AUDIO_OUTPUT=null ${T_ENV})
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
  # Labels and fixtures are lists, which gtest_discover_tests would split into separate property
  # names; a script run after the discovered tests are defined sets them whole on every test of
  # this executable (${name}_TESTS is the list the discovery leaves).
  set(props ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${props}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES\n"
    "    LABELS [==[${T_LABELS}]==] FIXTURES_REQUIRED [==[${T_FIXTURES}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props})
  # orvo_<label>_tests builds the executables of one label alone (the thread-sanitizer build
  # builds only orvo_audio_tests).
  foreach(label IN LISTS T_LABELS)
    if(NOT TARGET orvo_${label}_tests)
      add_custom_target(orvo_${label}_tests)
    endif()
    add_dependencies(orvo_${label}_tests ${name})
  endforeach()
endfunction()
