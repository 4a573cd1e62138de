# SPDX-License-Identifier: MIT
# Shared part of the cross toolchains: Debian's <triple>-g++ cross compiler, its
# sysroot /usr/<triple>, and qemu-user as the emulator through which CTest (and
# gtest_discover_tests) run the cross-built programs. The including file sets
# ZOLT_CROSS_TRIPLE, ZOLT_CROSS_QEMU and CMAKE_SYSTEM_PROCESSOR, and may set
# ZOLT_CROSS_LOADER (the target's dynamic loader, used instead of qemu when this
# host runs it) and ZOLT_CROSS_CLANG to build C++ with that Clang for the triple instead, against
# the same GCC cross headers and libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${ZOLT_CROSS_TRIPLE}-gcc)
if(ZOLT_CROSS_CLANG)
  set(CMAKE_CXX_COMPILER ${ZOLT_CROSS_CLANG})
  set(CMAKE_CXX_COMPILER_TARGET ${ZOLT_CROSS_TRIPLE})
else()
  set(CMAKE_CXX_COMPILER ${ZOLT_CROSS_TRIPLE}-g++)
endif()

set(ZOLT_CROSS_SYSROOT /usr/${ZOLT_CROSS_TRIPLE})
list(APPEND CMAKE_FIND_ROOT_PATH ${ZOLT_CROSS_SYSROOT})
# Programs are the host's; libraries, headers and packages only the target's, so
# that nothing built for the host (such as its libgtest) can be picked up.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(ZOLT_CROSS_LOADER)
  execute_process(COMMAND ${ZOLT_CROSS_LOADER} --version RESULT_VARIABLE loader_runs
                  OUTPUT_QUIET ERROR_QUIET)
endif()
if(ZOLT_CROSS_LOADER AND loader_runs EQUAL 0)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZOLT_CROSS_LOADER} --library-path ${ZOLT_CROSS_SYSROOT}/lib)
else()
  find_program(ZOLT_CROSS_EMULATOR ${ZOLT_CROSS_QEMU} REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZOLT_CROSS_EMULATOR} -L ${ZOLT_CROSS_SYSROOT})
endif()
