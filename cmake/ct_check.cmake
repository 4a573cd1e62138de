# SPDX-License-Identifier: MIT
# zolt_add_ct_test(<test-name> <target> [<argument>...])
#
# Proves the executable <target> constant time in its own test: <target> is
# compiled with ZOLT_CT_CHECK, so that the ZOLT_CT_SECRET / ZOLT_CT_PUBLIC marks
# of <zolt/ct_check.h> become valgrind memcheck client requests, and the test
# <test-name> runs it with the arguments under memcheck through zolt-ct-check.
# It fails on any branch or memory address that depends on a secret. Where
# valgrind is not installed the test is skipped: disabled when its header
# <valgrind/memcheck.h> is not found at configure time, skipped at test time
# when valgrind itself is not found.
#
# Cross builds: set ZOLT_VALGRIND_INCLUDE to the directory that holds the
# target's valgrind/memcheck.h, and ZOLT_VALGRIND to a command that runs the
# target's valgrind; the test passes it on to zolt-ct-check.
function(zolt_add_ct_test name target)
  if(NOT TARGET ${target})
    message(FATAL_ERROR "zolt_add_ct_test(${name}): no target ${target}")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "EXECUTABLE")
    message(FATAL_ERROR "zolt_add_ct_test(${name}): ${target} is not an executable")
  endif()
  # The runner: in zolt's source tree when zolt is part of this build, else
  # installed in P/bin beside this package (P/lib/cmake/zolt).
  set(runner ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools/ctcheck/zolt-ct-check)
  if(NOT EXISTS ${runner})
    set(runner ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../../bin/zolt-ct-check)
  endif()
  cmake_path(NORMAL_PATH runner)

  find_path(ZOLT_VALGRIND_INCLUDE valgrind/memcheck.h
            DOC "The directory that holds valgrind/memcheck.h")
  add_test(NAME ${name} COMMAND ${runner} $<TARGET_FILE:${target}> ${ARGN})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  if(NOT ZOLT_VALGRIND_INCLUDE)
    message(STATUS "zolt_add_ct_test(${name}): valgrind/memcheck.h not found, "
                   "the test is disabled (install valgrind)")
    set_tests_properties(${name} PROPERTIES DISABLED TRUE)
    return()
  endif()
  target_compile_definitions(${target} PRIVATE ZOLT_CT_CHECK)
  target_include_directories(${target} SYSTEM PRIVATE ${ZOLT_VALGRIND_INCLUDE})
  if(ZOLT_VALGRIND)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "ZOLT_VALGRIND=${ZOLT_VALGRIND}")
  endif()
endfunction()
