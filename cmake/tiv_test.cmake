# tiv_add_gtest(<name> SOURCES ... [LIBS ...] [LOCK <resource>...] [PTRWIDTH])
# One test program; every TEST in it becomes its own CTest entry, so the CTest
# output lists each test by name. Windows test programs run under Wine
# through the toolchain's emulator (tools/wine-run, inside tools/bench.sh).
# What GoogleTest prints for a test that skipped itself (GTEST_SKIP): CTest
# must report such a test as skipped, not as passed. Every CTest entry that
# runs a GoogleTest program sets SKIP_REGULAR_EXPRESSION to it.
# PTRWIDTH labels the tests "ptrwidth": their code or data layout depends on
# the width of a pointer (window procedures and their thunks, window and
# dialog data, socket handles in messages, COM hosting, the crash report).
# Where the host runs the shipped 32-bit programs, the 64-bit build runs
# only these (tools/test.sh).
set(TIV_GTEST_SKIPPED "\\[  SKIPPED \\]")

function(tiv_add_gtest name)
  cmake_parse_arguments(T "PTRWIDTH" "" "SOURCES;LIBS;LOCK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE tiv_test_support ${T_LIBS} GTest::gtest_main)
  gtest_add_tests(TARGET ${name} SOURCES ${T_SOURCES} TEST_LIST added)
  if(T_LOCK)
    set_tests_properties(${added} PROPERTIES RESOURCE_LOCK "${T_LOCK}")
  endif()
  set_tests_properties(${added} PROPERTIES TIMEOUT 300 SKIP_REGULAR_EXPRESSION "${TIV_GTEST_SKIPPED}")
  if(T_PTRWIDTH)
    set_tests_properties(${added} PROPERTIES LABELS ptrwidth)
  endif()
  if(NOT TIV_WIN32)
    # Each build folder its own scratch space: checkouts side by side on one
    # machine must not share the tests' folders. (Under Wine the prefix's own
    # temporary folder already belongs to the build folder.)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testtmp)
    set_tests_properties(${added} PROPERTIES ENVIRONMENT "TMPDIR=${CMAKE_BINARY_DIR}/testtmp")
  endif()
endfunction()

# The stand-in services listen on port 80 (the programs are given a host, not
# a port), so each build folder takes a loopback network of its own,
# 127.A.B.0/24 from a digest of its path: checkouts side by side on one
# machine run their suites at the same time without meeting.
string(MD5 tiv_net_digest "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${tiv_net_digest}" 0 2 tiv_net_a)
string(SUBSTRING "${tiv_net_digest}" 2 2 tiv_net_b)
math(EXPR tiv_net_a "1 + 0x${tiv_net_a} % 254")
math(EXPR tiv_net_b "0x${tiv_net_b}")
set(TIV_TEST_NET "127.${tiv_net_a}.${tiv_net_b}")

# tiv_add_standin(<group> <host> <site file> <addr var> <dir var>)
# The stand-in service of one group of tests on ${TIV_TEST_NET}.<host>, port 80:
# the tests <group>.StandinStart and <group>.StandinStop, the fixture
# standin<host>, and in the caller's scope its address and its folder
# (site.txt, root/, req.log).
function(tiv_add_standin group host site addr_var dir_var)
  set(addr "${TIV_TEST_NET}.${host}")
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/standin-${host})
  set(ctl ${PROJECT_SOURCE_DIR}/tests/service/standin_ctl.sh)
  add_test(NAME ${group}.StandinStart COMMAND bash ${ctl} start ${TIV_STANDIN} ${addr} ${dir} ${site})
  add_test(NAME ${group}.StandinStop COMMAND bash ${ctl} stop ${dir})
  set_tests_properties(${group}.StandinStart PROPERTIES FIXTURES_SETUP standin${host})
  set_tests_properties(${group}.StandinStop PROPERTIES FIXTURES_CLEANUP standin${host})
  set(${addr_var} ${addr} PARENT_SCOPE)
  set(${dir_var} ${dir} PARENT_SCOPE)
endfunction()
