// SPDX-License-Identifier: MIT
// zolt_bytes: the constant-time equality, ordered comparison and byte search of
// zolt for mutable byte strings (a std::vector<std::uint8_t> or std::span of
// bytes converts implicitly). Each operation reads the caller's bytes in place
// through zolt and gives exactly zolt's results, errors and timing.
//
// Public inputs (may steer time, branches and addresses): the lengths of the
// byte strings, `len` and `start`. Secret inputs (never do): the bytes and the
// answers of a predicate.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <zolt/zolt.hpp>

#include <cstddef>
#include <cstdint>
#include <span>

namespace Zolt_bytes {

// Same length and same bytes. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT bool equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept;

// Order of a against b as big-endian unsigned numbers: -16 below, 0 equal, 8 above;
// 1 when a is shorter, -1 when a is longer. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be(std::span<const std::uint8_t> a,
                                      std::span<const std::uint8_t> b) noexcept;

// compare_be after checking both lengths equal len; len 0 gives 0 for any strings.
// Throws std::invalid_argument("compare_be_with_len"). Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                               std::span<const std::uint8_t> b);

// As compare_be, the last byte most significant. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le(std::span<const std::uint8_t> a,
                                      std::span<const std::uint8_t> b) noexcept;

// compare_le after the same check as compare_be_with_len, message
// "compare_le_with_len". Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                               std::span<const std::uint8_t> b);

// Lowest index at or after start whose byte satisfies p, else -1. Calls p once per
// byte, from the last down to start. A negative start throws std::out_of_range.
// Time depends on the length and start only (and on p's own timing).
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p,
                                      std::span<const std::uint8_t> s);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(Zolt::predicate p, std::span<const std::uint8_t> s);

// Whether find_uint8 with the same arguments finds a byte. Same timing as find_uint8.
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p,
                              std::span<const std::uint8_t> s);
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(Zolt::predicate p, std::span<const std::uint8_t> s);

// The searches for a callable the compiler can see (a lambda, a functor, a
// builder's predicate): zolt's inline forms, over the same bytes.
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(std::ptrdiff_t start, F&& p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8(start, p, s);
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(F&& p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8(p, s);
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(std::ptrdiff_t start, F&& p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(start, p, s);
}
template <Zolt::detail::byte_callable F>
[[nodiscard]] bool exists_uint8(F&& p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(p, s);
}

// Every byte is 0 (true for none). Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT bool is_zero(std::span<const std::uint8_t> s) noexcept;

}  // namespace Zolt_bytes

#endif  // C++20
