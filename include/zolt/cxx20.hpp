// SPDX-License-Identifier: MIT
// Included first by every C++ header of zolt, which then skips its body below
// C++20: one error, said once, instead of one per declaration the older
// language cannot read.
#if __cplusplus < 202002L && !defined(ZOLT_BELOW_CXX20)
#define ZOLT_BELOW_CXX20
#error "zolt's C++ headers need C++20 or later: compile with -std=c++20 (or later)"
#endif
