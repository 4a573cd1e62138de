// SPDX-License-Identifier: MIT
// zolt: constant-time operations on byte strings.
//
// Public inputs (may steer time, branches and addresses): the lengths of the
// strings, `len`, `start`, the divisor `m` and `digits`. Secret inputs (never
// do): the bytes of the strings, the arguments of the selectors, the value that
// divmod divides and ascii_of_int32 renders, and the answers of a predicate.
#pragma once

#include <zolt/cxx20.hpp>
#if __cplusplus >= 202002L

#include <zolt/byte_view.hpp>
#include <zolt/dit.hpp>
#include <zolt/secure_allocator.hpp>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

#ifndef ZOLT_EXPORT
#if defined(__GNUC__)
#define ZOLT_EXPORT __attribute__((visibility("default")))
#else
#define ZOLT_EXPORT
#endif
#endif

// Lets Clang diagnose a predicate made from a temporary that outlives it.
#if defined(__has_cpp_attribute)
#if __has_cpp_attribute(clang::lifetimebound)
#define ZOLT_LIFETIMEBOUND [[clang::lifetimebound]]
#endif
#endif
#ifndef ZOLT_LIFETIMEBOUND
#define ZOLT_LIFETIMEBOUND
#endif

// MemorySanitizer (-fsanitize=memory) takes every operand of an inline asm for
// a use of its value: under it the value barrier is a volatile round trip,
// through which it follows a secret (<zolt/ct_check.h>) without a report.
#if defined(__has_feature)
#if __has_feature(memory_sanitizer)
#define ZOLT_MSAN 1
#endif
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
#if defined(__GNUC__) && !defined(ZOLT_MSAN)
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

// What a negative start throws, in every library.
inline constexpr const char negative_start[] = "find_uint8: negative start";

// Where a search over n bytes begins its walk down, n itself as an index.
// A string longer than PTRDIFF_MAX (which a 32-bit program may hold) has
// indices that no answer could give: std::length_error, thrown before any
// byte is read or any predicate called.
inline std::ptrdiff_t search_end(std::size_t n) {
  if (n > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
    throw std::length_error("find_uint8: string too long");
  }
  return static_cast<std::ptrdiff_t>(n);
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
  // A reference to f: a function, a function pointer, or any callable object.
  template <detail::byte_callable F>
  predicate(F&& f ZOLT_LIFETIMEBOUND) noexcept {  // NOLINT(google-explicit-constructor): implicit by design
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

  // The predicate's answer for a byte value 0..255.
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
[[nodiscard]] ZOLT_EXPORT bool equal(byte_view a, byte_view b) noexcept;

// Order of a against b as big-endian unsigned numbers: -16 below, 0 equal, 8 above;
// 1 when a is shorter, -1 when a is longer. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be(byte_view a, byte_view b) noexcept;

// compare_be after checking both lengths equal len; len 0 gives 0 for any strings.
// Throws std::invalid_argument("compare_be_with_len"). Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, byte_view a, byte_view b);

// As compare_be, the last byte most significant. Time depends on the lengths only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le(byte_view a, byte_view b) noexcept;

// compare_le after the same check as compare_be_with_len, message
// "compare_le_with_len". Time depends on len only.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, byte_view a, byte_view b);

// (quotient, remainder) of the dividend read as unsigned 32-bit, for a divisor m in
// 1..16347 (else std::invalid_argument "m <= 0" / "m >= 16348 not supported").
// Time may depend on m; never on the dividend.
[[nodiscard]] ZOLT_EXPORT std::pair<std::int32_t, std::int32_t> divmod(std::int32_t dividend, std::int32_t m);

// Lowest index at or after start whose byte satisfies p, else -1. Calls p once per
// byte, from the last down to start. A string longer than PTRDIFF_MAX (on a
// 32-bit target) throws std::length_error("find_uint8: string too long"), else
// a negative start throws std::out_of_range, before p is called.
// Time depends on the length and start only (and on p's own timing).
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(std::ptrdiff_t start, predicate p, byte_view s);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8(predicate p, byte_view s);

// Whether find_uint8 with the same arguments finds a byte. Same timing as find_uint8.
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(std::ptrdiff_t start, predicate p, byte_view s);
[[nodiscard]] ZOLT_EXPORT bool exists_uint8(predicate p, byte_view s);

// Exactly `digits` decimal characters of value read as unsigned 32-bit (modulo
// 10^digits, zero-padded). digits < 0 throws std::invalid_argument("digits < 0").
// Time depends on digits only.
[[nodiscard]] ZOLT_EXPORT std::string ascii_of_int32(std::ptrdiff_t digits, std::int32_t value);

// The same characters into a buffer of the caller's, so that the secret's
// digits need not pass through memory the library allocates: out must hold at
// least `digits` bytes, else std::invalid_argument
// ("ascii_of_int32_into: output too small") is thrown before anything is
// written. Writes exactly `digits` bytes and returns that size.
ZOLT_EXPORT std::size_t ascii_of_int32_into(std::ptrdiff_t digits, std::int32_t value, byte_span out);

// ASCII A-Z to a-z, every other byte unchanged. Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT std::string lowercase_ascii(byte_view s);

// ASCII a-z to A-Z, every other byte unchanged. Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT std::string uppercase_ascii(byte_view s);

// Lower-case hexadecimal text, high digit first. Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT std::string hex_of_bytes(byte_view b);
[[nodiscard]] ZOLT_EXPORT std::string hex_of_string(byte_view s);

// The codec into a buffer of the caller's, so that a secret need not pass
// through memory the library allocates and frees. out must hold at least the
// result's size (2 * size to encode, h.size() / 2 to decode), else
// std::invalid_argument is thrown before anything is written; exactly that
// many bytes are written. Encoding more than SIZE_MAX / 2 bytes, here and in
// hex_of_bytes and hex_of_string, throws std::length_error("hex: size
// overflow") first. Decoding returns the indicator of bytes_of_hex.
// The bytes written must not overlap the input, except that a decoder may
// write in place (out starting at h's first byte: the result is a prefix of
// h); else std::invalid_argument("hex_of_bytes_into: buffers overlap", and so
// on) is thrown before anything is written. Time depends on the lengths only.
ZOLT_EXPORT void hex_of_bytes_into(byte_view b, byte_span out);
ZOLT_EXPORT void hex_of_string_into(byte_view s, byte_span out);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t bytes_of_hex_into(byte_view h, byte_span out);
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t string_of_hex_into(byte_view h, byte_span out);

// Decoded bytes (length h.size() / 2) and an error indicator: 0 when h is
// well-formed, 16 for odd length, 240 when some character is not a hex digit.
// Use the bytes only when the indicator is 0. Time depends on the length only.
// bytes_of_hex decodes into a new Out: std::vector<std::uint8_t>, or
// secure_bytes for a key that must not outlive its use, or any vector or
// string of one-byte elements.
template <class Out = std::vector<std::uint8_t>>
[[nodiscard]] std::pair<Out, std::ptrdiff_t> bytes_of_hex(byte_view h);
[[nodiscard]] ZOLT_EXPORT std::pair<std::string, std::ptrdiff_t> string_of_hex(byte_view h);

// Base64 of RFC 4648: the standard alphabet (section 4: '+', '/') or the URL-safe
// one (section 5: '-', '_'), each with '=' padding to a multiple of four
// characters or without any '='.
enum class base64_variant { standard, standard_unpadded, url, url_unpadded };

// The length of the base64 text of n bytes: 4 characters per 3 bytes, the last
// group rounded up to 4 when padded, else to 2 or 3 characters. A length that
// std::size_t cannot hold (n above about 3/4 of SIZE_MAX) throws
// std::length_error("base64: size overflow").
[[nodiscard]] constexpr std::size_t base64_encoded_size(std::size_t n, base64_variant v) {
  const std::size_t rest = n % 3;
  const bool padded = v == base64_variant::standard || v == base64_variant::url;
  const std::size_t last = rest == 0 ? 0 : padded ? 4 : rest + 1;
  if (n / 3 > (std::numeric_limits<std::size_t>::max() - last) / 4) {
    throw std::length_error("base64: size overflow");
  }
  return n / 3 * 4 + last;
}

// The most bytes a base64 text of text_len characters decodes to (exactly the
// decoded length of a canonical text without '=').
[[nodiscard]] constexpr std::size_t base64_decoded_max_size(std::size_t text_len) noexcept {
  return text_len / 4 * 3 + text_len % 4 * 3 / 4;
}

// The base64 text of the bytes. Time depends on the length only. An unknown
// variant throws std::invalid_argument("base64: unknown variant").
[[nodiscard]] ZOLT_EXPORT std::string base64_of_string(byte_view s,
                                                     base64_variant v = base64_variant::standard);
[[nodiscard]] ZOLT_EXPORT std::string base64_of_bytes(byte_view b,
                                                    base64_variant v = base64_variant::standard);

// Decoded bytes and an error indicator: 0 when text is the canonical encoding
// of some bytes in variant v, else 1. Strict: a character outside the variant's
// alphabet (whitespace included), '=' anywhere but the last two places or in an
// unpadded variant, a padded text whose length is not a multiple of 4, an
// unpadded text whose length is 1 more than a multiple of 4, and unused trailing
// bits that are not 0 are all errors; so is an unknown variant. Use the bytes
// only when the indicator is 0. Never throws (other than std::bad_alloc). Time
// depends on the text's length and on how many '=' end it, never on the other
// characters. bytes_of_base64 decodes into a new Out, as bytes_of_hex does.
[[nodiscard]] ZOLT_EXPORT std::pair<std::string, std::ptrdiff_t> string_of_base64(
    byte_view text, base64_variant v = base64_variant::standard);
template <class Out = std::vector<std::uint8_t>>
[[nodiscard]] std::pair<Out, std::ptrdiff_t> bytes_of_base64(
    byte_view text, base64_variant v = base64_variant::standard);

// Base64 into a buffer of the caller's. Encoding writes exactly
// base64_encoded_size(size, v) characters; out must hold them, else
// std::invalid_argument is thrown before anything is written. Decoding returns
// the indicator of string_of_base64 and the decoded length, and writes exactly
// that many bytes; out must hold them (base64_decoded_max_size(text.size())
// always suffices), else std::invalid_argument is thrown before anything is
// written. The bytes written must not overlap the input, except that a
// decoder may write in place (out starting at text's first byte: the result
// is a prefix of text); else std::invalid_argument
// ("base64_of_bytes_into: buffers overlap", and so on) is thrown before
// anything is written. Same timing as the forms above.
ZOLT_EXPORT void base64_of_bytes_into(byte_view b, byte_span out,
                                      base64_variant v = base64_variant::standard);
ZOLT_EXPORT void base64_of_string_into(byte_view s, byte_span out,
                                       base64_variant v = base64_variant::standard);
[[nodiscard]] ZOLT_EXPORT std::pair<std::ptrdiff_t, std::size_t> bytes_of_base64_into(
    byte_view text, byte_span out, base64_variant v = base64_variant::standard);
[[nodiscard]] ZOLT_EXPORT std::pair<std::ptrdiff_t, std::size_t> string_of_base64_into(
    byte_view text, byte_span out, base64_variant v = base64_variant::standard);

namespace detail {

// Zeroes n bytes at p; the asm may read them, so the stores cannot be dropped
// as dead.
inline void zero_in_place(void* p, std::size_t n) noexcept {
  if (n == 0) return;  // memset wants a valid pointer even for no bytes
  std::memset(p, 0, n);
#if defined(__GNUC__)
  __asm__ volatile("" : : "r"(p) : "memory");
#endif
}

// Wipes a local result when the function returns, after the returned object
// has been built from it: a short string keeps its bytes inside the object, so
// a moved-from local would leave a copy of the secret in the dead frame.
// Compilers do not always build a named local in the caller's slot (sanitizer
// builds never do), so results are moved out and their locals wiped.
template <class Out>
struct wiped_on_return {
  Out& local;
  explicit wiped_on_return(Out& l) noexcept : local(l) {}
  wiped_on_return(const wiped_on_return&) = delete;
  wiped_on_return& operator=(const wiped_on_return&) = delete;
  // Moved from, the local holds no heap buffer any more: what may remain is the
  // storage inside the object (a short string's, up to its capacity).
  ~wiped_on_return() { zero_in_place(local.data(), local.capacity()); }
};

// A new Out of n bytes, all first 0, then written by decode(byte_span), which
// returns its error indicator; the local is wiped once the result is built.
template <class Out, class Decode>
std::pair<Out, std::ptrdiff_t> decoded(std::size_t n, Decode decode) {
  Out out(n, typename Out::value_type{});
  const wiped_on_return<Out> wiper{out};
  const std::ptrdiff_t error = decode(out);
  return {std::move(out), error};
}

}  // namespace detail

template <class Out>
std::pair<Out, std::ptrdiff_t> bytes_of_hex(byte_view h) {
  return detail::decoded<Out>(h.size() / 2, [h](byte_span out) { return bytes_of_hex_into(h, out); });
}

// Decodes into room for the longest result, then keeps the decoded length: the
// bytes past it were never written.
template <class Out>
std::pair<Out, std::ptrdiff_t> bytes_of_base64(byte_view text, base64_variant v) {
  return detail::decoded<Out>(base64_decoded_max_size(text.size()), [&](Out& out) {
    const auto [error, n] = bytes_of_base64_into(text, out, v);
    out.resize(n);
    return error;
  });
}

// Every byte is 0 (true for ""). Time depends on the length only.
[[nodiscard]] ZOLT_EXPORT bool is_zero(byte_view s) noexcept;

// When c is not 0, dst receives src's bytes; else dst keeps its own. Every byte
// of dst is written either way. c may be of any integer type up to 64 bits:
// every bit of it counts, on 32-bit targets too. The spans must be the same size, else
// std::invalid_argument("copy_if: sizes differ") is thrown before anything is
// touched. They may be the same span but must not otherwise overlap, else
// std::invalid_argument("copy_if: buffers overlap") is thrown before anything
// is touched. Time depends on the size only, never on c.
ZOLT_EXPORT void copy_if(std::uint64_t c, std::span<std::byte> dst, std::span<const std::byte> src);

// When c is not 0, a and b exchange their bytes. Every byte of both is written
// either way. c as in copy_if. The spans must be the same size, else
// std::invalid_argument("swap_if: sizes differ") is thrown before anything is
// touched. They may be the same span but must not otherwise overlap, else
// std::invalid_argument("swap_if: buffers overlap") is thrown before anything
// is touched. Time depends on the size only, never on c.
ZOLT_EXPORT void swap_if(std::uint64_t c, std::span<std::byte> a, std::span<std::byte> b);

// Zeroes the bytes in a way the optimiser cannot remove as a dead store.
ZOLT_EXPORT void wipe(std::span<std::byte> s) noexcept;

// Any span of one-byte elements.
template <class T, std::size_t N>
  requires(sizeof(T) == 1 && !std::is_const_v<T>)
void wipe(std::span<T, N> s) noexcept {
  wipe(std::span<std::byte>(std::as_writable_bytes(s)));
}

namespace detail {
template <class T>
inline constexpr bool byte_container = false;
template <class T, class Traits, class Alloc>
inline constexpr bool byte_container<std::basic_string<T, Traits, Alloc>> = sizeof(T) == 1;
template <class T, class Alloc>
inline constexpr bool byte_container<std::vector<T, Alloc>> = sizeof(T) == 1;
}  // namespace detail

// A string or vector of one-byte elements, secure_bytes included: its whole
// storage, up to its capacity, where an earlier, longer content may still lie.
// The size is kept; every byte becomes 0.
template <class Container>
  requires detail::byte_container<Container>
void wipe(Container& c) noexcept {
  const std::size_t size = c.size();
  c.resize(c.capacity());  // within the capacity: no reallocation
  wipe(std::span(c.data(), c.size()));
  c.resize(size);
}

// 1 when n is not 0, else 0. Constant time.
[[nodiscard]] inline std::ptrdiff_t one_if_not_zero(std::ptrdiff_t n) noexcept {
  return detail::value_barrier(detail::minus_one_or_less(detail::neg(n) | n));
}

// 0 when n is not 0, else -1. Constant time.
[[nodiscard]] inline std::ptrdiff_t zero_if_not_zero(std::ptrdiff_t n) noexcept {
  return detail::value_barrier(one_if_not_zero(n) - 1);
}

// 0 for false, 1 for true. Constant time.
[[nodiscard]] inline std::ptrdiff_t int_of_bool(bool v) noexcept {
  return detail::value_barrier(static_cast<std::ptrdiff_t>(v));
}

// true when n is not 0. Constant time.
[[nodiscard]] inline bool bool_of_int(std::ptrdiff_t n) noexcept {
  return static_cast<bool>(detail::value_barrier(
      static_cast<detail::uword>(detail::neg(n) | n) >> detail::sign_shift));
}

// a when c is 0, b for any other c; both are always read. Constant time.
[[nodiscard]] inline std::ptrdiff_t select_int(std::ptrdiff_t c, std::ptrdiff_t a, std::ptrdiff_t b) noexcept {
  const std::ptrdiff_t mask = detail::mask_if_not_zero(c);
  return (a & ~mask) | (b & mask);
}

// a when low <= n <= high, else b (exact while n - low and high - n do not wrap).
// Constant time.
[[nodiscard]] inline std::ptrdiff_t select_a_if_in_range(std::ptrdiff_t low, std::ptrdiff_t high,
                                           std::ptrdiff_t n, std::ptrdiff_t a,
                                           std::ptrdiff_t b) noexcept {
  const std::ptrdiff_t outside =
      (detail::sub(n, low) | detail::sub(high, n)) & std::numeric_limits<std::ptrdiff_t>::min();
  return select_int(outside, a, b);
}

// The bytes a builder's predicate matches, as ranges: byte x matches when
// lows[k] <= x <= highs[k] for some k (a range with lows[k] > highs[k] is
// empty). The searches recognise the builders' predicates by it and test many
// bytes per step. The number of ranges is public; their bounds are secret.
struct byte_ranges {
  // The lower bounds, one byte per range.
  byte_view lows;
  // The upper bounds, in the same order.
  byte_view highs;
};

namespace detail {

// The one-byte types: a value of one of them means the byte with its bit
// pattern, whether the type is signed or not (char('\xff') is the byte 255 on
// every platform).
template <class T>
concept one_byte = std::is_same_v<T, char> || std::is_same_v<T, signed char> ||
                   std::is_same_v<T, unsigned char> || std::is_same_v<T, char8_t> ||
                   std::is_same_v<T, std::byte>;

// The integer types whose value, 0..255, names a byte.
template <class T>
concept byte_number = std::is_integral_v<T> && !one_byte<T> && !std::is_same_v<T, bool> &&
                      !std::is_same_v<T, wchar_t> && !std::is_same_v<T, char16_t> &&
                      !std::is_same_v<T, char32_t>;

// The byte that v names. A number outside 0..255 names none and throws
// std::invalid_argument(message) rather than build a predicate that can never
// match: whether a value is a byte is public, the byte itself is not.
template <class T>
  requires(one_byte<T> || byte_number<T>)
constexpr unsigned char byte_of(T v, const char* message) {
  if constexpr (byte_number<T>) {
    if (!std::in_range<unsigned char>(v)) throw std::invalid_argument(message);
  }
  return static_cast<unsigned char>(v);
}

}  // namespace detail

// The predicates of the builders below: callable as bool(int) on a byte value
// 0..255, from the selectors (no branch and no table read on the byte or on the
// values they compare it with), and, through ranges(), searched many bytes per
// step. byte_in_set keeps a view of the set, which must outlive the predicate.
// byte_equal_to's: the one byte value.
class byte_equal_to_predicate {
 public:
  // Matches the byte value.
  constexpr explicit byte_equal_to_predicate(unsigned char value) noexcept : value_(value) {}
  // Whether byte (0..255) matches.
  bool operator()(int byte) const noexcept {
    return static_cast<bool>(zero_if_not_zero(byte ^ value_) & 1);
  }
  // The matched bytes as the searches test them: one range of one byte.
  byte_ranges ranges() const noexcept { return {std::span(&value_, 1), std::span(&value_, 1)}; }

 private:
  unsigned char value_;
};

// byte_in_range's: the bytes from low to high, both included.
class byte_in_range_predicate {
 public:
  // Matches low..high (none when low > high).
  constexpr byte_in_range_predicate(unsigned char low, unsigned char high) noexcept
      : low_(low), high_(high) {}
  // Whether byte (0..255) matches.
  bool operator()(int byte) const noexcept {
    return static_cast<bool>(select_a_if_in_range(low_, high_, byte, 1, 0));
  }
  // The matched bytes as the searches test them: one range.
  byte_ranges ranges() const noexcept { return {std::span(&low_, 1), std::span(&high_, 1)}; }

 private:
  unsigned char low_, high_;
};

// byte_in_set's: the bytes of a set, viewed, not copied.
class byte_in_set_predicate {
 public:
  // Matches every byte of set, which must outlive the predicate.
  explicit byte_in_set_predicate(byte_view set ZOLT_LIFETIMEBOUND) noexcept : set_(set) {}
  // Whether byte (0..255) matches.
  bool operator()(int byte) const noexcept {
    std::ptrdiff_t hit = 0;
    for (std::size_t i = 0; i < set_.size(); ++i) hit |= zero_if_not_zero(byte ^ set_.data()[i]);
    return static_cast<bool>(hit & 1);
  }
  // The matched bytes as the searches test them: a range of one byte per element.
  byte_ranges ranges() const noexcept { return {set_, set_}; }

 private:
  byte_view set_;
};

// Predicates for the common searches. A value of a one-byte type (char,
// signed char, unsigned char, char8_t, std::byte) means the byte with its bit
// pattern; an integer must be 0..255, else std::invalid_argument
// ("byte_equal_to: not a byte", "byte_in_range: not a byte") is thrown. Only
// the size of the set shapes the work.
template <class T>
  requires(detail::one_byte<T> || detail::byte_number<T>)
[[nodiscard]] constexpr byte_equal_to_predicate byte_equal_to(T value) {
  return byte_equal_to_predicate(detail::byte_of(value, "byte_equal_to: not a byte"));
}
template <class T, class U>
  requires((detail::one_byte<T> || detail::byte_number<T>) &&
           (detail::one_byte<U> || detail::byte_number<U>))
[[nodiscard]] constexpr byte_in_range_predicate byte_in_range(T low, U high) {
  return byte_in_range_predicate(detail::byte_of(low, "byte_in_range: not a byte"),
                                 detail::byte_of(high, "byte_in_range: not a byte"));
}
[[nodiscard]] inline byte_in_set_predicate byte_in_set(byte_view set ZOLT_LIFETIMEBOUND) noexcept {
  return byte_in_set_predicate(set);
}

// The search with a required start, for the adapters. Same contract as find_uint8.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, predicate p, byte_view s);
// The same for the bytes of a builder's predicate, many bytes per step.
[[nodiscard]] ZOLT_EXPORT std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, const byte_ranges& r,
                                                          byte_view s);

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

// A builder's predicate, which the searches test many bytes per step.
template <class F>
concept ranges_predicate = requires(const std::remove_cvref_t<F>& f) {
  { f.ranges() } -> std::same_as<byte_ranges>;
};

// true unless the search answered -1, without a branch on the answer.
[[nodiscard]] inline bool found(std::ptrdiff_t index) noexcept {
  return static_cast<bool>(select_int(index + 1, 0, 1));
}

}  // namespace detail

// find_uint8 and exists_uint8 for a callable the compiler can see (a lambda, a
// functor): it is called directly rather than through predicate, so it can be
// inlined into the walk. Same calls, order, results and exceptions as the
// exported forms, which a Zolt::predicate argument still reaches. Time depends
// on the length and start only (and on p's own timing), as there. A builder's
// predicate goes to the search that tests many bytes per step.
template <detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(std::ptrdiff_t start, F&& p, byte_view s) {
  if constexpr (detail::ranges_predicate<F>) {
    return find_uint8_inner(start, p.ranges(), s);
  } else {
    const std::ptrdiff_t end = detail::search_end(s.size());
    if (start < 0) throw std::out_of_range(detail::negative_start);
    return detail::find_walk(start, end, p, [s](std::ptrdiff_t i) { return s.data()[i]; });
  }
}
template <detail::byte_callable F>
[[nodiscard]] std::ptrdiff_t find_uint8(F&& p, byte_view s) {
  return find_uint8(0, p, s);
}
template <detail::byte_callable F>
[[nodiscard]] bool exists_uint8(std::ptrdiff_t start, F&& p, byte_view s) {
  return detail::found(find_uint8(start, p, s));
}
template <detail::byte_callable F>
[[nodiscard]] bool exists_uint8(F&& p, byte_view s) {
  return exists_uint8(0, p, s);
}

}  // namespace Zolt

// The typed vocabulary for the caller's own constant-time code, built on the
// barrier and the selectors above.
#include <zolt/choice.hpp>

#endif  // C++20
