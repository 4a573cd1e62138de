// SPDX-License-Identifier: MIT
// zolt_cstruct: the constant-time equality, ordered comparison and byte search of
// zolt_bigstring for Cstruct views. Each operation sees exactly the bytes inside
// the view, counts indices from the view's first byte, and gives zolt_bigstring's
// results, errors and timing.
//
// Public inputs (may steer time, branches and addresses): the views' bounds
// (buffer, offset, length), `len` and `start`. Secret inputs (never do): the bytes
// and the answers of a predicate.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <zolt/cstruct.hpp>
#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>

#include <cstddef>

namespace Zolt_cstruct {

// Same length and same bytes. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT bool equal(const Cstruct::t& a, const Cstruct::t& b) noexcept;

// Order of a against b as big-endian unsigned numbers: -16 below, 0 equal, 8 above;
// 1 when a is shorter, -1 when a is longer. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be(const Cstruct::t& a, const Cstruct::t& b) noexcept;

// compare_be after checking both lengths equal len; len 0 gives 0 for any views.
// Throws std::invalid_argument("compare_be_with_len"). Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, const Cstruct::t& a,
                                               const Cstruct::t& b);

// As compare_be, the last byte most significant. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le(const Cstruct::t& a, const Cstruct::t& b) noexcept;

// compare_le after the same check as compare_be_with_len, message
// "compare_le_with_len". Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, const Cstruct::t& a,
                                               const Cstruct::t& b);

// Lowest index (from the view's first byte) at or after start whose byte satisfies
// p, else -1. Calls p once per byte of the view, from the last down to start. A
// negative start offers p every byte of the view and then throws std::out_of_range
// (at once on an empty view); no byte outside the view is ever read.
// Time depends on the length and start only (and on p's own timing).
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, const Cstruct::t& s);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(Zolt::predicate p, const Cstruct::t& s);

// Whether find_uint8 with the same arguments finds a byte. Same timing as find_uint8.
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, const Cstruct::t& s);
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(Zolt::predicate p, const Cstruct::t& s);

// The searches for a callable the compiler can see (a lambda, a functor, a
// builder's predicate): zolt_bigstring's inline forms, over the view's bytes.
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(std::ptrdiff_t start, F&& p, const Cstruct::t& s) {
  return Zolt_bigstring::find_uint8(start, p, Cstruct::to_bigarray(s));
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(F&& p, const Cstruct::t& s) {
  return Zolt_bigstring::find_uint8(p, Cstruct::to_bigarray(s));
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(std::ptrdiff_t start, F&& p, const Cstruct::t& s) {
  return Zolt_bigstring::exists_uint8(start, p, Cstruct::to_bigarray(s));
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(F&& p, const Cstruct::t& s) {
  return Zolt_bigstring::exists_uint8(p, Cstruct::to_bigarray(s));
}

// Every byte of the view is 0 (true for an empty view). Time depends on the
// length only.
[[nodiscard]] ZOLT_EXPORT bool is_zero(const Cstruct::t& s) noexcept;

}  // namespace Zolt_cstruct

#endif  // C++20
