# tiv_add_gtest(<name> SOURCES ... [LIBS ...] [LOCK <resource>...])
# One test program; every TEST in it becomes its own CTest entry, so the CTest
# output lists each test by name. Windows test programs run under Wine
# through the toolchain's emulator (tools/wine-run, inside tools/bench.sh).
# What GoogleTest prints for a test that skipped itself (GTEST_SKIP): CTest
# must report such a test as skipped, not as passed. Every CTest entry that
# runs a GoogleTest program sets SKIP_REGULAR_EXPRESSION to it.
set(TIV_GTEST_SKIPPED "\\[  SKIPPED \\]")

function(tiv_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tiv_test_support ${T_LIBS} GTest::gtest_main)
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST added)
  if(T_LOCK)
    set_tests_properties(${added} PROPERTIES RESOURCE_LOCK "${T_LOCK}")
  endif()
  set_tests_properties(${added} PROPERTIES TIMEOUT 300 SKIP_REGULAR_EXPRESSION "${TIV_GTEST_SKIPPED}")
  if(NOT TIV_WIN32)
    # Each build folder its own scratch space: checkouts side by side on one
    # machine must not share the tests' folders. (Under Wine the prefix's own
    # temporary folder already belongs to the build folder.)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testtmp)
    set_tests_properties(${added} PROPERTIES ENVIRONMENT "TMPDIR=${CMAKE_BINARY_DIR}/testtmp")
  endif()
endfunction()
