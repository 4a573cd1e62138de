# SPDX-License-Identifier: MIT
# 64-bit little-endian Arm (W = 64), run under qemu-aarch64.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ZOLT_CROSS_TRIPLE aarch64-linux-gnu)
set(ZOLT_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
