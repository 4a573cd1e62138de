# SPDX-License-Identifier: MIT
# aarch64-linux-gnu as aarch64-linux-gnu.cmake, the C++ built by Clang 16.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ZOLT_CROSS_TRIPLE aarch64-linux-gnu)
set(ZOLT_CROSS_QEMU qemu-aarch64)
set(ZOLT_CROSS_CLANG clang++-16)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
