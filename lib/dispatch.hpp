// SPDX-License-Identifier: MIT
// The one place where a library picks between the portable loops and their
// AVX2 copies. Internal; header-only, so each library makes its own choice.
//
// On x86-64 (GCC or Clang) a vector loop comes in two functions side by side:
// the portable one, built for the baseline target, and a copy marked
// ZOLT_AVX2 (the compiler's target("avx2") attribute). avx2() tells, once per
// process and library, which one runs: the copy when the CPU and the operating
// system support AVX2. Every other target builds the portable loops alone, and
// avx2() is a constant false there.
//
// Testing aid: the environment variable ZOLT_DISPATCH=portable, read once at
// the first call, forces the portable loops on any CPU, so that the tests and
// the constant-time checker can run both paths on one machine.
//
// No AVX-512 copies: valgrind cannot execute AVX-512, so the memcheck checker
// could not see them.
#pragma once

#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#define ZOLT_X86_AVX2 1
#define ZOLT_AVX2 [[gnu::target("avx2")]]
#include <immintrin.h>
#else
#define ZOLT_X86_AVX2 0
#endif

namespace Zolt::dispatch {

#if ZOLT_X86_AVX2
inline bool choose_avx2() noexcept {
  const char* forced = std::getenv("ZOLT_DISPATCH");
  if (forced != nullptr && std::strcmp(forced, "portable") == 0) return false;
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// Whether the AVX2 copies run. Public: depends on the machine alone.
inline bool avx2() noexcept {
  static const bool chosen = choose_avx2();
  return chosen;
}
#else
constexpr bool avx2() noexcept { return false; }
#endif

}  // namespace Zolt::dispatch

#if ZOLT_X86_AVX2
// Building blocks of the AVX2 copies, 32 byte lanes at a time.
namespace Zolt::avx2 {

// The value barrier on a whole vector: hides it from the optimiser, so that a
// mask built from a secret stays a vector of bytes and is never turned into a
// branch.
ZOLT_AVX2 inline __m256i barrier(__m256i v) noexcept {
  __asm__ volatile("" : "+x"(v));
  return v;
}

ZOLT_AVX2 inline __m256i load(const void* p) noexcept {
  return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

ZOLT_AVX2 inline void store(void* p, __m256i v) noexcept {
  _mm256_storeu_si256(static_cast<__m256i*>(p), v);
}

ZOLT_AVX2 inline __m256i bytes(char c) noexcept { return _mm256_set1_epi8(c); }

// 0xFF in each lane whose byte lies in first..first + span (as unsigned bytes),
// else 0: x - first wraps below first, and the lane is in range exactly when
// the unsigned minimum with span leaves it unchanged. Behind the barrier.
ZOLT_AVX2 inline __m256i in_range(__m256i x, char first, char span) noexcept {
  const __m256i t = _mm256_sub_epi8(x, bytes(first));
  return barrier(_mm256_cmpeq_epi8(_mm256_min_epu8(t, bytes(span)), t));
}

}  // namespace Zolt::avx2
#endif
