# SPDX-License-Identifier: MIT
# 32-bit little-endian x86 (W = 32). An x86-64 kernel runs its programs
# natively, through the target's own dynamic loader; qemu-i386 only where it
# cannot (qemu 7.2 hangs in the i686 glibc's pthread_create).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZOLT_CROSS_TRIPLE i686-linux-gnu)
set(ZOLT_CROSS_QEMU qemu-i386)
set(ZOLT_CROSS_LOADER /usr/i686-linux-gnu/lib/ld-linux.so.2)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
