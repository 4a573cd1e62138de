# SPDX-License-Identifier: MIT
# 32-bit little-endian x86 (W = 32), run under qemu-i386.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZOLT_CROSS_TRIPLE i686-linux-gnu)
set(ZOLT_CROSS_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
