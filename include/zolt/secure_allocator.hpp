// SPDX-License-Identifier: MIT
// A standard allocator for secrets, and the byte vector that uses it. Included
// by <zolt/zolt.hpp>.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#ifndef ZOLT_EXPORT
#if defined(__GNUC__)
#define ZOLT_EXPORT __attribute__((visibility("default")))
#else
#define ZOLT_EXPORT
#endif
#endif

namespace Zolt {

// At least `bytes` bytes of memory of their own, page-aligned and in whole
// pages, so that what is asked of the system applies to this block alone:
// locked in RAM (kept out of swap) and left out of core dumps, where the system
// allows it. Both are best effort and never an error: past the process's
// locked-memory limit (RLIMIT_MEMLOCK, `ulimit -l`) the pages are simply not
// locked. Throws std::bad_alloc when no memory is left. A system call or two
// per block: meant for a few secrets, not for many small objects.
[[nodiscard]] ZOLT_EXPORT void* secure_allocate(std::size_t bytes);

// Zeroes the first `bytes` bytes of a block from secure_allocate (the same
// `bytes`), in a way the optimiser cannot drop, then gives it back. A null p
// does nothing.
ZOLT_EXPORT void secure_deallocate(void* p, std::size_t bytes) noexcept;

// A standard allocator that wipes every block before releasing it and keeps its
// pages out of swap and core dumps where the system allows (secure_allocate).
// Stateless: all instances are equal. It protects the blocks it hands out;
// copies a program makes elsewhere (a std::string, a stack buffer) are its own.
template <class T>
class secure_allocator {
 public:
  using value_type = T;  // The allocator's element type.

  // An allocator, or one for another element type from it.
  constexpr secure_allocator() noexcept = default;
  template <class U>
  constexpr secure_allocator(const secure_allocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)

  // Room for n elements, from secure_allocate; throws std::bad_array_new_length
  // when n elements do not fit a size_t, std::bad_alloc when no memory is left.
  [[nodiscard]] T* allocate(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    static_assert(alignof(T) <= 4096, "page alignment");
    return static_cast<T*>(secure_allocate(n * sizeof(T)));
  }
  // Wipes and releases the n elements at p, from allocate(n).
  void deallocate(T* p, std::size_t n) noexcept { secure_deallocate(p, n * sizeof(T)); }

  // Always true: the allocator holds no state.
  template <class U>
  friend constexpr bool operator==(const secure_allocator&, const secure_allocator<U>&) noexcept {
    return true;
  }
};

// A byte vector whose storage is wiped when it is released, whether the vector
// dies or grows. Decode a secret straight into one:
// Zolt::bytes_of_hex<Zolt::secure_bytes>(text).
using secure_bytes = std::vector<std::uint8_t, secure_allocator<std::uint8_t>>;

}  // namespace Zolt

#endif  // C++20
