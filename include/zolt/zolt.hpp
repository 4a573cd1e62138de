// SPDX-License-Identifier: MIT
// zolt: constant-time operations on byte strings.
//
// Public inputs (may steer time, branches and addresses): the lengths of the
// strings, `len`, `start`, the divisor `m` and `digits`. Secret inputs (never
// do): the bytes of the strings, the arguments of the selectors, the value that
// divmod divides and ascii_of_int32 renders, and the answers of a predicate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__GNUC__)
#define ZOLT_EXPORT __attribute__((visibility("default")))
#else
#define ZOLT_EXPORT
#endif

namespace Zolt {

class predicate;

namespace detail {

using uword = std::make_unsigned_t<std::ptrdiff_t>;

// W - 1 for the W-bit std::ptrdiff_t: the shift that brings the sign bit to bit 0.
inline constexpr int sign_shift = std::numeric_limits<std::ptrdiff_t>::digits;

// Hides a value from the optimiser, so that a mask built from a secret cannot be
// recognised as a boolean and turned back into a branch. Every mask goes through it.
template <class T>
[[gnu::always_inline]] inline T value_barrier(T v) noexcept {
  static_assert(std::is_integral_v<T>);
#if defined(__GNUC__)
  __asm__ volatile("" : "+r"(v));
  return v;
#else
  volatile T hidden = v;
  return hidden;
#endif
}

// Wrap-around negation and subtraction (signed overflow is undefined in C++).
inline std::ptrdiff_t neg(std::ptrdiff_t n) noexcept {
  return static_cast<std::ptrdiff_t>(uword{0} - static_cast<uword>(n));
}
inline std::ptrdiff_t sub(std::ptrdiff_t a, std::ptrdiff_t b) noexcept {
  return static_cast<std::ptrdiff_t>(static_cast<uword>(a) - static_cast<uword>(b));
}

// 1 when n <= -1, else 0: the sign bit, shifted down logically.
inline std::ptrdiff_t minus_one_or_less(std::ptrdiff_t n) noexcept {
  return static_cast<std::ptrdiff_t>(static_cast<uword>(n) >> sign_shift);
}

// -1 (all bits set) when c is not 0, else 0.
inline std::ptrdiff_t mask_if_not_zero(std::ptrdiff_t c) noexcept {
  return value_barrier((neg(c) | c) >> sign_shift);
}

// A callable taking a byte value and answering something that converts to
// bool, other than a predicate itself.
template <class F>
concept byte_callable = !std::is_same_v<std::remove_cvref_t<F>, predicate> &&
                           std::is_invocable_v<F&, int> &&
                           std::is_constructible_v<bool, std::invoke_result_t<F&, int>>;

}  // namespace detail

// A non-owning reference to a callable taking a byte value (an int 0..255) and
// answering something that converts to bool. Like std::string_view, it must not
// outlive the callable it refers to; pass it straight to a search.
class predicate {
 public:
  template <detail::byte_callable F>
  predicate(F&& f) noexcept {  // NOLINT(google-explicit-constructor): implicit by design
    using Plain = std::remove_cvref_t<F>;
    if constexpr (std::is_function_v<std::remove_pointer_t<Plain>>) {
      // Functions and function pointers are held by value: nothing can dangle.
      using Fn = std::add_pointer_t<std::remove_pointer_t<Plain>>;
      target_.function = reinterpret_cast<void (*)()>(static_cast<Fn>(f));
      call_ = [](target t, int byte) -> bool {
        return static_cast<bool>(reinterpret_cast<Fn>(t.function)(byte));
      };
    } else {
      using Object = std::remove_reference_t<F>;
      target_.object = const_cast<void*>(static_cast<const void*>(std::addressof(f)));
      call_ = [](target t, int byte) -> bool {
        return static_cast<bool>(std::invoke(*static_cast<Object*>(t.object), byte));
      };
    }
  }

  bool operator()(int byte) const { return call_(target_, byte); }

 private:
  union target {
    void* object;
    void (*function)();
  };
  target target_;
  bool (*call_)(target, int);
};

// Each declaration says what its running time may depend on; everything else
// it reads is secret and never shapes branches, addresses or loop counts.

// Same length and same bytes. Time depends on the lengths only.
ZOLT_EXPORT bool equal(std::string_view a, std::string_view b) noexcept;

// Order of a against b as big-endian unsigned numbers: -16 below, 0 equal, 8 above;
// 1 when a is shorter, -1 when a is longer. Time depends on the lengths only.
ZOLT_EXPORT std::ptrdiff_t compare_be(std::string_view a, std::string_view b) noexcept;

// compare_be after checking both lengths equal len; len 0 gives 0 for any strings.
// Throws std::invalid_argument("compare_be_with_len"). Time depends on len only.
ZOLT_EXPORT std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, std::string_view a,
                                               std::string_view b);

// As compare_be, the last byte most significant. Time depends on the lengths only.
ZOLT_EXPORT std::ptrdiff_t compare_le(std::string_view a, std::string_view b) noexcept;

// compare_le after the same check as compare_be_with_len, message
// "compare_le_with_len". Time depends on len only.
ZOLT_EXPORT std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, std::string_view a,
                                               std::string_view b);

// (quotient, remainder) of the dividend read as unsigned 32-bit, for a divisor m in
// 1..16347 (else std::invalid_argument "m <= 0" / "m >= 16348 not supported").
// Time may depend on m; never on the dividend.
ZOLT_EXPORT std::pair<std::int32_t, std::int32_t> divmod(std::int32_t dividend, std::int32_t m);

// Lowest index at or after start whose byte satisfies p, else -1. Calls p once per
// byte, from the last down to start. A negative start throws std::out_of_range.
// Time depends on the length and start only (and on p's own timing).
ZOLT_EXPORT std::ptrdiff_t find_uint8(std::ptrdiff_t start, predicate p, std::string_view s);
ZOLT_EXPORT std::ptrdiff_t find_uint8(predicate p, std::string_view s);

// Whether find_uint8 with the same arguments finds a byte. Same timing as find_uint8.
ZOLT_EXPORT bool exists_uint8(std::ptrdiff_t start, predicate p, std::string_view s);
ZOLT_EXPORT bool exists_uint8(predicate p, std::string_view s);

// Exactly `digits` decimal characters of value read as unsigned 32-bit (modulo
// 10^digits, zero-padded). digits < 0 throws std::invalid_argument("digits < 0").
// Time depends on digits only.
ZOLT_EXPORT std::string ascii_of_int32(std::ptrdiff_t digits, std::int32_t value);

// ASCII A-Z to a-z, every other byte unchanged. Time depends on the length only.
ZOLT_EXPORT std::string lowercase_ascii(std::string_view s);

// ASCII a-z to A-Z, every other byte unchanged. Time depends on the length only.
ZOLT_EXPORT std::string uppercase_ascii(std::string_view s);

// Lower-case hexadecimal text, high digit first. Time depends on the length only.
ZOLT_EXPORT std::string hex_of_bytes(std::span<const std::uint8_t> b);
ZOLT_EXPORT std::string hex_of_string(std::string_view s);

// Decoded bytes (length h.size() / 2) and an error indicator: 0 when h is
// well-formed, 16 for odd length, 240 when some character is not a hex digit.
// Use the bytes only when the indicator is 0. Time depends on the length only.
ZOLT_EXPORT std::pair<std::vector<std::uint8_t>, std::ptrdiff_t> bytes_of_hex(std::string_view h);
ZOLT_EXPORT std::pair<std::string, std::ptrdiff_t> string_of_hex(std::string_view h);

// 1 when n is not 0, else 0. Constant time.
inline std::ptrdiff_t one_if_not_zero(std::ptrdiff_t n) noexcept {
  return detail::minus_one_or_less(detail::neg(n) | n);
}

// 0 when n is not 0, else -1. Constant time.
inline std::ptrdiff_t zero_if_not_zero(std::ptrdiff_t n) noexcept {
  return one_if_not_zero(n) - 1;
}

// 0 for false, 1 for true. Constant time.
inline std::ptrdiff_t int_of_bool(bool v) noexcept { return static_cast<std::ptrdiff_t>(v); }

// true when n is not 0. Constant time.
inline bool bool_of_int(std::ptrdiff_t n) noexcept {
  return static_cast<bool>(static_cast<detail::uword>(detail::neg(n) | n) >> detail::sign_shift);
}

// a when c is 0, b for any other c; both are always read. Constant time.
inline std::ptrdiff_t select_int(std::ptrdiff_t c, std::ptrdiff_t a, std::ptrdiff_t b) noexcept {
  const std::ptrdiff_t mask = detail::mask_if_not_zero(c);
  return (a & ~mask) | (b & mask);
}

// a when low <= n <= high, else b (exact while n - low and high - n do not wrap).
// Constant time.
inline std::ptrdiff_t select_a_if_in_range(std::ptrdiff_t low, std::ptrdiff_t high,
                                           std::ptrdiff_t n, std::ptrdiff_t a,
                                           std::ptrdiff_t b) noexcept {
  const std::ptrdiff_t outside =
      (detail::sub(n, low) | detail::sub(high, n)) & std::numeric_limits<std::ptrdiff_t>::min();
  return select_int(outside, a, b);
}

// The search with a required start, for the adapters. Same contract as find_uint8.
ZOLT_EXPORT std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, predicate p, std::string_view s);

namespace detail {

// The search walk over start..end-1, written once for every search: each byte
// from end-1 down to start is read with byte(i) and offered to p, and every
// match overwrites the answer through a mask, so the lowest one is left.
template <class P, class Byte>
std::ptrdiff_t find_walk(std::ptrdiff_t start, std::ptrdiff_t end, P& p, Byte byte) {
  std::ptrdiff_t answer = -1;
  for (std::ptrdiff_t i = end - 1; i >= start; --i) {
    const std::ptrdiff_t matched = int_of_bool(static_cast<bool>(p(static_cast<int>(byte(i)))));
    answer = select_int(matched, answer, i);
  }
  return answer;
}

// true unless the search answered -1, without a branch on the answer.
inline bool found(std::ptrdiff_t index) noexcept {
  return static_cast<bool>(select_int(index + 1, 0, 1));
}

}  // namespace detail

// find_uint8 and exists_uint8 for a callable the compiler can see (a lambda, a
// functor): it is called directly rather than through predicate, so it can be
// inlined into the walk. Same calls, order, results and exceptions as the
// exported forms, which a Zolt::predicate argument still reaches. Time depends
// on the length and start only (and on p's own timing), as there.
template <detail::byte_callable F>
std::ptrdiff_t find_uint8(std::ptrdiff_t start, F&& p, std::string_view s) {
  if (start < 0) throw std::out_of_range("find_uint8: negative start");
  return detail::find_walk(start, static_cast<std::ptrdiff_t>(s.size()), p, [s](std::ptrdiff_t i) {
    return static_cast<unsigned char>(s[static_cast<std::size_t>(i)]);
  });
}
template <detail::byte_callable F>
std::ptrdiff_t find_uint8(F&& p, std::string_view s) {
  return find_uint8(0, p, s);
}
template <detail::byte_callable F>
bool exists_uint8(std::ptrdiff_t start, F&& p, std::string_view s) {
  return detail::found(find_uint8(start, p, s));
}
template <detail::byte_callable F>
bool exists_uint8(F&& p, std::string_view s) {
  return exists_uint8(0, p, s);
}

}  // namespace Zolt
