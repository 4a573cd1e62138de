// SPDX-License-Identifier: MIT
// The constant-time vocabulary for the caller's own code: a secret truth value
// (choice), comparison and selection for every integer type, table lookups,
// counters and sums held in byte strings, and block padding. Included by
// <zolt/zolt.hpp>.
//
// Public inputs (may steer time, branches and addresses): the sizes of the
// spans, row_size and block_size. Secret inputs (never do): a choice, every
// integer given to a ct_ function, a lookup index, the bytes of the counters,
// sums and padded buffers, and where the padding starts.
//
// A secret becomes public in one place only: choice::declassify(), which the
// caller writes where a decision may be known (a record is rejected, a key is
// used). The library itself declassifies once, in pad_iso7816 and pad_pkcs7:
// whether the padded message fits the buffer is a secret (it depends on where
// the message ends) decided without a branch, and made public only to throw.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <zolt/zolt.hpp>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <ranges>
#include <span>
#include <type_traits>
#include <utility>

namespace Zolt {

class choice;

namespace detail {

inline constexpr int word_bits = std::numeric_limits<uword>::digits;

// The only way to a choice from a mask, for the code of this header and of the
// library: a choice holds all ones or all zeros, and has passed the barrier.
struct choice_access {
  static choice of_mask(uword mask) noexcept;
  static uword mask_of(choice c) noexcept;
};

}  // namespace detail

// A truth value that is secret: true or false, held as a machine word of all
// ones or all zeros behind the value barrier, so that no compiler can see it is
// a boolean and branch on it. It does not convert to or from bool or an
// integer, and has no ==: if (c), bool b = c, c == d and choice c = 1 do not
// compile. Combine choices with !, &, | and ^ (never && or ||), choose values
// with ct_select, and make the value public with declassify() at the one place
// where it may be known.
class choice {
 public:
  constexpr choice() noexcept = default;  // false

  // The choice of a bool the caller already has; the ct_ functions, which
  // never make a bool, are better.
  [[nodiscard]] static choice of_bool(bool b) noexcept {
    return choice(detail::value_barrier(detail::uword{0} - static_cast<detail::uword>(b)));
  }

  // The value, made public on purpose: branching on it is the caller's decision.
  [[nodiscard]] bool declassify() const noexcept { return mask_ != 0; }

  // All ones when true, else 0, widened from the machine word with its sign.
  [[nodiscard]] std::uint64_t mask() const noexcept {
    return static_cast<std::uint64_t>(
        static_cast<std::int64_t>(static_cast<std::make_signed_t<detail::uword>>(mask_)));
  }

  // Not, and, or, exclusive or. There is no && or ||: they would need a bool,
  // and they skip their right-hand side, which is a branch.
  [[nodiscard]] friend choice operator!(choice c) noexcept { return choice(~c.mask_); }
  [[nodiscard]] friend choice operator&(choice a, choice b) noexcept { return choice(a.mask_ & b.mask_); }
  [[nodiscard]] friend choice operator|(choice a, choice b) noexcept { return choice(a.mask_ | b.mask_); }
  [[nodiscard]] friend choice operator^(choice a, choice b) noexcept { return choice(a.mask_ ^ b.mask_); }

 private:
  friend struct detail::choice_access;
  explicit constexpr choice(detail::uword mask) noexcept : mask_(mask) {}
  detail::uword mask_ = 0;
};

namespace detail {

inline choice choice_access::of_mask(uword mask) noexcept { return choice(mask); }
inline uword choice_access::mask_of(choice c) noexcept { return c.mask_; }

// true when d is 0. For the library's own folds too: a difference of two byte
// strings becomes a choice without passing through a bool. On a 32-bit target
// the halves are merged first. The word passes the barrier on its way in as
// well as out: a compiler that saw it was i ^ k, in a loop over i, could peel
// the iteration where i == k off the loop, a branch on k.
[[nodiscard]] inline choice choice_if_zero(std::uint64_t d) noexcept {
  uword w;
  if constexpr (sizeof(uword) == sizeof d) {
    w = value_barrier(d);
  } else {
    w = value_barrier(static_cast<uword>(d | (d >> 32)));
  }
  return choice_access::of_mask(value_barrier(((w | (uword{0} - w)) >> (word_bits - 1)) - 1));
}

// true when the top bit of t is set: t shifted down with its sign.
template <class U>
[[nodiscard]] choice choice_of_top_bit(U t) noexcept {
  const auto top = static_cast<uword>(t >> (std::numeric_limits<U>::digits - word_bits));
  return choice_access::of_mask(
      value_barrier(static_cast<uword>(static_cast<std::ptrdiff_t>(top) >> sign_shift)));
}

// The integer types of 8 to 64 bits (bool included).
template <class T>
concept ct_integer = std::integral<T> && sizeof(T) <= 8;

// The unsigned type of T's width; bool is held as an unsigned char.
template <class T>
struct unsigned_of : std::make_unsigned<T> {};
template <>
struct unsigned_of<bool> {
  using type = unsigned char;
};
template <class T>
using unsigned_of_t = typename unsigned_of<T>::type;

// The type the comparisons compute in: the machine word, or 64 bits for a wider T
// (std::int64_t on a 32-bit target), whose subtraction is then a borrow chain.
template <class T>
using ct_word = std::conditional_t<(sizeof(T) <= sizeof(uword)), uword, std::uint64_t>;

// v as an unsigned number in ct_word<T> that keeps T's order: a signed T's sign
// bit flipped (its most negative value becomes 0), then zero-extended.
template <class T>
[[nodiscard]] ct_word<T> ordered(T v) noexcept {
  using U = unsigned_of_t<T>;
  auto u = static_cast<U>(v);
  if constexpr (std::is_signed_v<T>) {
    u = static_cast<U>(u ^ (U{1} << (std::numeric_limits<U>::digits - 1)));
  }
  return u;
}

// The borrow out of a - b: the top bit of the result. For a type narrower than
// the word it is the top bit of the difference; at full width, computed from
// the operands' and the difference's top bits, as subtraction does. The
// operands pass the barrier first: a compiler that saw i - k, in a loop over
// i, would make it an induction variable and address memory through it
// (base + k + (i - k)), or split the loop where i reaches k.
template <class T>
[[nodiscard]] choice borrow(T a, T b) noexcept {
  using U = ct_word<T>;
  const U x = value_barrier(ordered(a)), y = value_barrier(ordered(b));
  if constexpr (sizeof(T) < sizeof(U)) {
    return choice_of_top_bit(static_cast<U>(x - y));
  } else {
    return choice_of_top_bit(static_cast<U>((~x & y) | ((~x | y) & (x - y))));
  }
}

// The mask of c as a T-wide unsigned value.
template <class U>
[[nodiscard]] U mask_as(choice c) noexcept {
  return static_cast<U>(c.mask());
}

}  // namespace detail

// Comparisons of two integers of the same type, the signed order for a signed
// type and the unsigned order for an unsigned one, for every integer type of 8
// to 64 bits, on 32-bit targets too: arithmetic on the difference and its
// borrow, never the compiler's comparison. Constant time.
template <detail::ct_integer T>
[[nodiscard]] choice ct_eq(T a, T b) noexcept {
  using U = detail::unsigned_of_t<T>;
  return detail::choice_if_zero(static_cast<U>(static_cast<U>(a) ^ static_cast<U>(b)));
}
template <detail::ct_integer T>
[[nodiscard]] choice ct_ne(T a, T b) noexcept {
  return !ct_eq(a, b);
}
template <detail::ct_integer T>
[[nodiscard]] choice ct_lt(T a, T b) noexcept {
  return detail::borrow(a, b);
}
template <detail::ct_integer T>
[[nodiscard]] choice ct_gt(T a, T b) noexcept {
  return detail::borrow(b, a);
}
template <detail::ct_integer T>
[[nodiscard]] choice ct_le(T a, T b) noexcept {
  return !detail::borrow(b, a);
}
template <detail::ct_integer T>
[[nodiscard]] choice ct_ge(T a, T b) noexcept {
  return !detail::borrow(a, b);
}

// if_true when c is true, else if_false; both are always read. Constant time.
template <detail::ct_integer T>
[[nodiscard]] T ct_select(choice c, T if_true, T if_false) noexcept {
  using U = detail::unsigned_of_t<T>;
  const U m = detail::mask_as<U>(c);
  return static_cast<T>((static_cast<U>(if_true) & m) | (static_cast<U>(if_false) & ~m));
}

// equal() and is_zero() as choices: the same bytes read, the same timing (the
// lengths are public; different ones give false at once), and the answer
// never a bool on the way.
[[nodiscard]] ZOLT_EXPORT choice ct_eq(byte_view a, byte_view b) noexcept;
[[nodiscard]] ZOLT_EXPORT choice ct_is_zero(byte_view s) noexcept;

// copy_if and swap_if, acting when c is true. Same rules as the forms above
// that take an integer condition.
ZOLT_EXPORT void copy_if(choice c, std::span<std::byte> dst, std::span<const std::byte> src);
ZOLT_EXPORT void swap_if(choice c, std::span<std::byte> a, std::span<std::byte> b);

// The entry of table at index, T{} when index >= table.size(). Every entry is
// read, whatever the index. Time depends on the table's size only.
template <detail::ct_integer T>
[[nodiscard]] T ct_lookup(std::span<const T> table, std::size_t index) noexcept {
  using U = detail::unsigned_of_t<T>;
  U found = 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    found = static_cast<U>(found | (static_cast<U>(table[i]) & detail::mask_as<U>(ct_eq(i, index))));
  }
  return static_cast<T>(found);
}

// The same for any contiguous, sized range of integers (std::array,
// std::vector, a span of any extent).
template <class R>
  requires std::ranges::contiguous_range<const R&> && std::ranges::sized_range<const R&> &&
           detail::ct_integer<std::ranges::range_value_t<R>>
[[nodiscard]] std::ranges::range_value_t<R> ct_lookup(const R& table, std::size_t index) noexcept {
  return ct_lookup(std::span<const std::ranges::range_value_t<R>>(table), index);
}

// The row at index of a table of rows of row_size bytes, into out (all zero
// bytes when index >= the number of rows). Every byte of every row is read,
// whatever the index, and every byte of out written. Throws
// std::invalid_argument("ct_lookup_row: bad table shape") when row_size is 0,
// table.size() is not a multiple of it, or out.size() != row_size; and
// ("ct_lookup_row: buffers overlap") when out overlaps table other than by
// starting at its first byte. Time depends on the sizes only.
ZOLT_EXPORT void ct_lookup_row(std::span<const std::byte> table, std::size_t row_size,
                               std::size_t index, std::span<std::byte> out);

// Counters and numbers held in byte strings, unsigned, little-endian (the first
// byte least significant) or big-endian (the first byte most significant), the
// orders of compare_le and compare_be. Time depends on the size only.

// n + 1, modulo 256^size.
ZOLT_EXPORT void increment_le(std::span<std::uint8_t> n) noexcept;
ZOLT_EXPORT void increment_be(std::span<std::uint8_t> n) noexcept;

// a += b (add) or a -= b (sub), modulo 256^size; the carry or borrow out is
// returned. Throws std::invalid_argument ("add_le: sizes differ", and so on)
// when the sizes differ, and ("add_le: buffers overlap", and so on) when b
// overlaps a other than as the same span (a += a doubles a); nothing is
// written then.
[[nodiscard]] ZOLT_EXPORT choice add_le(std::span<std::uint8_t> a, std::span<const std::uint8_t> b);
[[nodiscard]] ZOLT_EXPORT choice add_be(std::span<std::uint8_t> a, std::span<const std::uint8_t> b);
[[nodiscard]] ZOLT_EXPORT choice sub_le(std::span<std::uint8_t> a, std::span<const std::uint8_t> b);
[[nodiscard]] ZOLT_EXPORT choice sub_be(std::span<std::uint8_t> a, std::span<const std::uint8_t> b);

// Padding that hides where a message ends inside its last block. The message
// is the first unpadded_len bytes of buf (secret, like where it ends); the
// padding follows it, up to the next multiple of block_size (always at least
// one byte), and the padded length is returned:
// - ISO/IEC 7816-4: the byte 0x80, then zero bytes;
// - PKCS#7: every padding byte holds the padding's length (block_size 1..255).
// Every byte of buf is read and written; the message and the bytes after the
// padding keep their values. Throws std::invalid_argument "pad: block size 0",
// "pad: block size above 255" (PKCS#7), or "pad: buffer too small" when the
// padded message does not fit buf, before anything is written; that last test
// is the declassification named at the top of this header. Time depends on
// buf.size() and block_size only.
[[nodiscard]] ZOLT_EXPORT std::size_t pad_iso7816(std::span<std::uint8_t> buf, std::size_t unpadded_len,
                                                  std::size_t block_size);
[[nodiscard]] ZOLT_EXPORT std::size_t pad_pkcs7(std::span<std::uint8_t> buf, std::size_t unpadded_len,
                                                std::size_t block_size);

// (the message's length, valid) of a padded buffer: valid when its size is a
// nonzero multiple of block_size and its last block ends in well-formed
// padding; the length is 0 when not valid. Only the last block is read. The
// block sizes are checked as pad's are. Time depends on padded.size() and
// block_size only: never on the padding's length or its validity.
[[nodiscard]] ZOLT_EXPORT std::pair<std::size_t, choice> unpad_iso7816(std::span<const std::uint8_t> padded,
                                                                       std::size_t block_size);
[[nodiscard]] ZOLT_EXPORT std::pair<std::size_t, choice> unpad_pkcs7(std::span<const std::uint8_t> padded,
                                                                     std::size_t block_size);

}  // namespace Zolt

#endif  // C++20
