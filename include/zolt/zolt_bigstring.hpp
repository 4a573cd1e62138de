// SPDX-License-Identifier: MIT
// zolt_bigstring: the constant-time equality, ordered comparison and byte search
// of zolt over large byte buffers (std::span<const std::byte>), with every
// single-byte read range-tested. It does not need libzolt at run time.
//
// Public inputs (may steer time, branches and addresses): the lengths of the
// buffers, `len` and `start`. Secret inputs (never do): the bytes of the buffers
// and the answers of a predicate.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <zolt/zolt.hpp>

#include <cstddef>
#include <span>
#include <stdexcept>

namespace Zolt_bigstring {

// A large buffer's bytes, seen in place.
using bigstring = std::span<const std::byte>;

// Same length and same bytes. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT bool equal(bigstring a, bigstring b) noexcept;

// Order of a against b as big-endian unsigned numbers: -16 below, 0 equal, 8 above;
// 1 when a is shorter, -1 when a is longer. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be(bigstring a, bigstring b) noexcept;

// compare_be after checking both lengths equal len; len 0 gives 0 for any buffers.
// Throws std::invalid_argument("compare_be_with_len"). Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, bigstring a, bigstring b);

// As compare_be, the last byte most significant. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le(bigstring a, bigstring b) noexcept;

// compare_le after the same check as compare_be_with_len, message
// "compare_le_with_len". Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, bigstring a, bigstring b);

// Lowest index at or after start whose byte satisfies p, else -1. Calls p once per
// byte, from the last down to start. A negative start offers p every byte down to
// index 0 and then throws std::out_of_range (at once on an empty buffer). A
// buffer longer than PTRDIFF_MAX (on a 32-bit target) throws
// std::length_error("find_uint8: string too long") before p is called.
// Time depends on the length and start only (and on p's own timing).
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, bigstring s);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(Zolt::predicate p, bigstring s);

// Whether find_uint8 with the same arguments finds a byte. Same timing as find_uint8.
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, bigstring s);
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(Zolt::predicate p, bigstring s);

// The search with a required start, for the buffer-view adapter. Same contract as
// find_uint8.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, Zolt::predicate p, bigstring s);
// The same for the bytes of a builder's predicate, many bytes per step.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, const Zolt::byte_ranges& r,
                                                          bigstring s);

// find_uint8 and exists_uint8 for a callable the compiler can see (a lambda, a
// functor), called directly so that it can be inlined into the walk; a
// builder's predicate goes to find_uint8_inner. Same calls, order, results and
// exceptions as the forms above, which a Zolt::predicate argument still
// reaches.
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(std::ptrdiff_t start, F&& p, bigstring s) {
  if constexpr (Zolt::detail::ranges_predicate<F>) {
    return find_uint8_inner(start, p.ranges(), s);
  } else {
    const std::ptrdiff_t end = Zolt::detail::search_end(s.size());
    const std::ptrdiff_t answer =
        Zolt::detail::find_walk(start < 0 ? 0 : start, end, p,
                                [s](std::ptrdiff_t i) { return std::to_integer<int>(s[static_cast<std::size_t>(i)]); });
    if (start < 0) throw std::out_of_range(Zolt::detail::negative_start);
    return answer;
  }
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(F&& p, bigstring s) {
  return find_uint8(0, p, s);
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(std::ptrdiff_t start, F&& p, bigstring s) {
  return Zolt::detail::found(find_uint8(start, p, s));
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(F&& p, bigstring s) {
  return exists_uint8(0, p, s);
}

// Every byte is 0 (true for an empty buffer). Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT bool is_zero(bigstring s) noexcept;

}  // namespace Zolt_bigstring

#endif  // C++20
