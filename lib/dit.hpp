// SPDX-License-Identifier: MIT
// PSTATE.DIT, the data-independent timing mode of AArch64, read and written
// for the calling thread. Internal and header-only: the public guard
// (lib/dit.cpp), the C forms, and, built with ZOLT_DIT_OPERATIONS, every
// library's operations use it; zolt_bigstring shares it without linking zolt.
#pragma once

#if defined(__aarch64__) && defined(__linux__)
#include <sys/auxv.h>

#include <cstdint>
#endif

namespace Zolt::dit {

#if defined(__aarch64__) && defined(__linux__)

// The system-register names that every assembler accepts for the base
// architecture, with no -march: DIT is S3_3_C4_C2_5 (its value is bit 24),
// ID_AA64PFR0_EL1 is S3_0_C0_C4_0 (its DIT field is bits 48..51).
inline bool read() noexcept {
  std::uint64_t v;
  __asm__ volatile("mrs %0, S3_3_C4_C2_5" : "=r"(v));
  return ((v >> 24) & 1) != 0;
}

// The memory clobber keeps the loads and stores of the code around in place.
inline void write(bool on) noexcept {
  const std::uint64_t v = std::uint64_t{on} << 24;
  __asm__ volatile("msr S3_3_C4_C2_5, %0" : : "r"(v) : "memory");
}

// HWCAP_DIT; or, where the system reports the CPU's identity registers
// (HWCAP_CPUID, each read emulated by the kernel), their DIT field: Linux
// derives HWCAP_DIT from that field, and qemu's user mode up to 7.2 implements
// the mode under -cpu max without reporting the bit.
inline bool probe() noexcept {
  constexpr unsigned long hwcap_cpuid = 1ul << 11, hwcap_dit = 1ul << 24;
  const unsigned long hwcap = getauxval(AT_HWCAP);
  if ((hwcap & hwcap_dit) != 0) return true;
  if ((hwcap & hwcap_cpuid) == 0) return false;
  std::uint64_t pfr0;
  __asm__ volatile("mrs %0, S3_0_C0_C4_0" : "=r"(pfr0));
  return ((pfr0 >> 48) & 15) != 0;
}

// Whether the CPU and the system offer the mode; asked once per library.
inline bool offered() noexcept {
  static const bool answer = probe();
  return answer;
}

#else

inline bool read() noexcept { return false; }
inline void write(bool) noexcept {}
constexpr bool offered() noexcept { return false; }

#endif

// Turns the mode on where it is offered; returns whether it was on before.
inline bool enter() noexcept {
  if (!offered()) return false;
  const bool was = read();
  if (!was) write(true);
  return was;
}

// Puts back the state enter() returned.
inline void leave(bool was) noexcept {
  if (offered()) write(was);
}

// What each operation of the libraries opens for its duration: the mode on,
// where offered, when the libraries are built with ZOLT_DIT_OPERATIONS;
// nothing otherwise.
#if defined(ZOLT_DIT_OPERATIONS)
class operation {
 public:
  operation() noexcept : was_(enter()) {}
  ~operation() { leave(was_); }
  operation(const operation&) = delete;
  operation& operator=(const operation&) = delete;

 private:
  bool was_;
};
#else
struct operation {};
#endif

}  // namespace Zolt::dit
