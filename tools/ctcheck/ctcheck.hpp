// SPDX-License-Identifier: MIT
// The constant-time checker: runs every operation that reads secrets with its
// secret inputs marked by ZOLT_CT_SECRET (<zolt/ct_check.h>, the marks zolt's
// users prove their own code with), so that valgrind's memcheck reports a
// branch or a memory address that depends on a secret as a use of an
// uninitialised value. Public inputs (lengths, len, start, m, digits) stay
// unmarked. Results are made public again with ZOLT_CT_PUBLIC before the
// checker looks at them, and they are compared with plain models so that a
// miscompiled mask is caught as well.
#pragma once

#include <zolt/ct_check.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ctcheck {

// Marks the bytes of v as secret or revealed (public). The marks take the
// address, so v lives in memory at this point.
template <class T>
void taint(T& v) {
  ZOLT_CT_SECRET(&v, sizeof v);
}
inline void taint(void* p, std::size_t n) { ZOLT_CT_SECRET(p, n); }

template <class T>
T reveal(T v) {
  ZOLT_CT_PUBLIC(&v, sizeof v);
  return v;
}
inline void reveal(const void* p, std::size_t n) { ZOLT_CT_PUBLIC(p, n); }

// A copy of s whose bytes are secret.
inline std::string secret(std::string_view s) {
  std::string c(s);
  taint(c.data(), c.size());
  return c;
}

// The search predicate: true for one byte value, computed without a branch, its
// answer secret too.
struct secret_predicate {
  int target;
  bool operator()(int byte) const {
    bool hit = byte == target;
    taint(hit);
    return hit;
  }
};

// An operation as a callable: zolt.hpp overloads the names of the byte-string
// operations (a template that rejects C strings), so they cannot be passed as
// plain function names.
#define CTCHECK_OP(f) [](auto&&... args) { return f(std::forward<decltype(args)>(args)...); }

// Records a wrong result of the running operation (what names the case).
void expect(bool ok, const std::string& what);

// An operation, or a negative control that must be flagged, with its cases.
struct check {
  const char* name;
  bool control;
  std::function<void()> run;
};

// Adds checks at static initialisation; each source file registers its own.
struct registration {
  explicit registration(std::vector<check> checks);
};

// Deterministic test data.
std::string random_bytes(std::size_t n, std::uint64_t seed);

// Lengths every byte-string operation is run at: empty, tiny, odd and even,
// around word sizes and vector steps, and a few hundred bytes.
inline constexpr std::size_t lengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65, 255, 300};

// Pairs (a, b) of the same length: equal, differing first, differing last,
// differing everywhere at random.
std::vector<std::pair<std::string, std::string>> same_length_pairs(std::size_t n,
                                                                    std::uint64_t seed);

// The plain models the results are compared with.
namespace model {
std::ptrdiff_t compare_be(std::string_view a, std::string_view b);
std::ptrdiff_t compare_le(std::string_view a, std::string_view b);
std::ptrdiff_t find(std::ptrdiff_t start, std::uint8_t target, std::string_view s);
}  // namespace model

}  // namespace ctcheck
