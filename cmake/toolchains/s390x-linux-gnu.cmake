# SPDX-License-Identifier: MIT
# 64-bit big-endian IBM Z (W = 64), run under qemu-s390x.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(ZOLT_CROSS_TRIPLE s390x-linux-gnu)
set(ZOLT_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
