// The equality and comparison folds and the search walk, written once over a
// byte reader and instantiated by both zolt (over std::string_view) and
// zolt_bigstring (over spans, with range-tested single-byte reads). Header-only
// and internal: zolt_bigstring shares this code without linking zolt.
//
// A reader R provides:
//   std::ptrdiff_t length() const;
//   std::ptrdiff_t get(std::ptrdiff_t i) const;    // byte at i, 0..255
//   std::ptrdiff_t get16(std::ptrdiff_t i) const;  // bytes i, i+1 little-endian
#pragma once

#include <zolt/zolt.hpp>

#include <cstddef>
#include <cstring>
#include <bit>
#include <cstdint>
#include <stdexcept>

namespace Zolt::fold {

using detail::uword;
using detail::sign_shift;
using detail::value_barrier;

// An unaligned little-endian 16-bit load, whatever the host's byte order.
inline std::ptrdiff_t load16_le(const void* p) noexcept {
  std::uint16_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) {
    v = static_cast<std::uint16_t>((v >> 8) | (v << 8));
  }
  return v;
}

// The difference of two byte values, -255..255.
inline std::ptrdiff_t compare(std::ptrdiff_t x, std::ptrdiff_t y) noexcept { return x - y; }

// 16 when n <= -1, else 0.
inline std::ptrdiff_t sixteen_if_minus_one_or_less(std::ptrdiff_t n) noexcept {
  return value_barrier(n >> sign_shift) & 16;
}

// 8 when n >= 1, else 0 (n is a difference of two byte values).
inline std::ptrdiff_t eight_if_one_or_more(std::ptrdiff_t n) noexcept {
  return value_barrier(detail::neg(n) >> sign_shift) & 8;
}

// One comparison step: the first differing position in walking order sets acc to
// 8 (x above y) or 16 (x below y); once set, v >> acc is 0 and acc keeps its value.
inline uword compare_step(uword acc, std::ptrdiff_t x, std::ptrdiff_t y) noexcept {
  const std::ptrdiff_t d = compare(x, y);
  const auto v = static_cast<uword>(sixteen_if_minus_one_or_less(d) + eight_if_one_or_more(d));
  return acc | (v >> acc);
}

inline std::ptrdiff_t compare_result(uword acc) noexcept {
  return static_cast<std::ptrdiff_t>(acc & 8) - static_cast<std::ptrdiff_t>(acc & 16);
}

// Equality of the first len bytes: XOR of 16-bit words and of an odd last byte,
// merged by OR; no early exit.
template <class R>
bool equal(std::ptrdiff_t len, const R& a, const R& b) {
  uword acc = 0;
  for (std::ptrdiff_t k = 0; k < len / 2; ++k) {
    acc |= static_cast<uword>(a.get16(2 * k) ^ b.get16(2 * k));
  }
  if (len % 2 == 1) {
    acc |= static_cast<uword>(a.get(len - 1) ^ b.get(len - 1));
  }
  // acc is at most 65535, so acc - 1 is negative exactly when acc is 0.
  return static_cast<bool>(detail::minus_one_or_less(static_cast<std::ptrdiff_t>(acc) - 1));
}

// Big-endian order of the first len bytes: -16, 0 or 8.
template <class R>
std::ptrdiff_t compare_be(std::ptrdiff_t len, const R& a, const R& b) {
  uword acc = 0;
  for (std::ptrdiff_t i = 0; i < len; ++i) acc = compare_step(acc, a.get(i), b.get(i));
  return compare_result(acc);
}

// Little-endian order of the first len bytes: -16, 0 or 8.
template <class R>
std::ptrdiff_t compare_le(std::ptrdiff_t len, const R& a, const R& b) {
  uword acc = 0;
  for (std::ptrdiff_t i = len - 1; i >= 0; --i) acc = compare_step(acc, a.get(i), b.get(i));
  return compare_result(acc);
}

template <class R>
bool equal(const R& a, const R& b) {
  if (a.length() != b.length()) return false;
  return equal(a.length(), a, b);
}

// The two-argument comparisons: 1 when a is shorter, -1 when longer, else the fold.
template <class R, class Fold>
std::ptrdiff_t compare_lengths_then(const R& a, const R& b, Fold fold) {
  if (a.length() < b.length()) return 1;
  if (a.length() > b.length()) return -1;
  return fold(a.length(), a, b);
}

// The _with_len comparisons: len 0 gives 0; any other len must be both lengths.
template <class R, class Fold>
std::ptrdiff_t compare_with_len(std::ptrdiff_t len, const R& a, const R& b, Fold fold,
                                const char* message) {
  if (len == 0) return 0;
  if (((a.length() ^ len) | (b.length() ^ len)) != 0) throw std::invalid_argument(message);
  return fold(len, a, b);
}

// The search over start..end-1, walking down so that the last match written is
// the lowest; every byte is offered to p, and the answer is chosen with a mask.
template <class R>
std::ptrdiff_t find_uint8(std::ptrdiff_t start, std::ptrdiff_t end, const predicate& p,
                          const R& s) {
  std::ptrdiff_t answer = -1;
  for (std::ptrdiff_t i = end - 1; i >= start; --i) {
    const std::ptrdiff_t matched = int_of_bool(p(static_cast<int>(s.get(i))));
    answer = select_int(matched, answer, i);
  }
  return answer;
}

// true unless the search answered -1, without a branch on the answer.
inline bool exists_of_index(std::ptrdiff_t index) noexcept {
  return static_cast<bool>(select_int(index + 1, 0, 1));
}

}  // namespace Zolt::fold
