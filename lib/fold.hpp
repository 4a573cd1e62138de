// SPDX-License-Identifier: MIT
// The equality and comparison folds and the search walk, written once over a
// byte reader and instantiated by both zolt (over std::string_view) and
// zolt_bigstring (over spans, with range-tested single-byte reads). Header-only
// and internal: zolt_bigstring shares this code without linking zolt.
//
// A reader R provides:
//   std::ptrdiff_t length() const;
//   std::ptrdiff_t get(std::ptrdiff_t i) const;    // byte at i, 0..255
//   std::ptrdiff_t get16(std::ptrdiff_t i) const;  // bytes i, i+1 little-endian
//   const unsigned char* bytes(std::ptrdiff_t i, std::ptrdiff_t n) const;
//                                                  // the n bytes from i on, for
//                                                  // word loads; range-tested
//                                                  // where get is
#pragma once

#include <zolt/zolt.hpp>

#include <cstddef>
#include <cstring>
#include <bit>
#include <cstdint>
#include <limits>
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

// All ones while acc is 0 (no difference seen yet), else 0: acc is 0, 8 or 16.
// A mask rather than a shift by acc, whose count would be secret.
inline uword undecided(uword acc) noexcept {
  return static_cast<uword>(value_barrier(static_cast<std::ptrdiff_t>(acc - 1) >> sign_shift));
}

// One comparison step: the first differing position in walking order sets acc to
// 8 (x above y) or 16 (x below y); once set, acc keeps its value.
inline uword compare_step(uword acc, std::ptrdiff_t x, std::ptrdiff_t y) noexcept {
  const std::ptrdiff_t d = compare(x, y);
  const auto v = static_cast<uword>(sixteen_if_minus_one_or_less(d) + eight_if_one_or_more(d));
  return acc | (v & undecided(acc));
}

inline std::ptrdiff_t compare_result(uword acc) noexcept {
  return static_cast<std::ptrdiff_t>(acc & 8) - static_cast<std::ptrdiff_t>(acc & 16);
}

// The XOR of the 16-bit words of `blocks` 64-byte blocks, merged by OR into the
// 32 lanes of two 32-byte vectors and then into one value. Compilers keep the
// vectors in registers (four SSE2 or two AVX2 registers); OR is associative and
// commutative, so the value is the one a single accumulator would hold, and
// the byte order of the lanes does not matter to it. On x86-64, GCC also builds
// an AVX2 copy, which the loader picks on CPUs that have it; every other build
// uses the portable loop alone.
//
// Internal linkage (static): GCC exports a target_clones dispatcher whatever
// the visibility, and each library needs only its own copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
[[gnu::target_clones("avx2", "default")]]
#endif
[[maybe_unused]] static std::uint16_t equal_blocks(const unsigned char* a, const unsigned char* b,
                                  std::ptrdiff_t blocks) noexcept {
  using half = std::uint16_t __attribute__((vector_size(32)));
  half acc[2] = {};
#pragma GCC unroll 4
  for (std::ptrdiff_t k = 0; k < blocks; ++k) {
    for (std::size_t h = 0; h < 2; ++h) {
      half x, y;
      std::memcpy(&x, a + 64 * k + sizeof(half) * h, sizeof x);
      std::memcpy(&y, b + 64 * k + sizeof(half) * h, sizeof y);
      acc[h] |= x ^ y;
    }
  }
  const half both = acc[0] | acc[1];
  std::uint16_t merged = 0;
  for (std::size_t j = 0; j < sizeof(half) / 2; ++j) merged |= both[j];
  return merged;
}

// Equality of the first len bytes: XOR of 16-bit words and of an odd last byte,
// merged by OR; no early exit. The bytes after the whole 64-byte blocks, under
// 64, in runs of 32, 16, 8, 4 and 2 bytes as the bits of len say, then the odd
// byte, then the blocks through equal_blocks. Every branch tests len alone.
template <class R>
bool equal(std::ptrdiff_t len, const R& a, const R& b) {
  constexpr std::ptrdiff_t block = 64;
  const std::ptrdiff_t blocks_end = len & -block;  // len >= 0
  const unsigned char* const pa = a.bytes(0, len & -2);
  const unsigned char* const pb = b.bytes(0, len & -2);
  const auto xor8 = [pa, pb](std::ptrdiff_t at) {
    std::uint64_t x, y;
    std::memcpy(&x, pa + at, sizeof x);
    std::memcpy(&y, pb + at, sizeof y);
    return x ^ y;
  };
  std::uint64_t rest = 0;  // the XOR of the 16-bit words after the blocks, merged
  std::ptrdiff_t i = blocks_end;
  if (len & 32) {
    rest |= xor8(i) | xor8(i + 8) | xor8(i + 16) | xor8(i + 24);
    i += 32;
  }
  if (len & 16) {
    rest |= xor8(i) | xor8(i + 8);
    i += 16;
  }
  if (len & 8) {
    rest |= xor8(i);
    i += 8;
  }
  if (len & 4) {
    std::uint32_t x, y;
    std::memcpy(&x, pa + i, sizeof x);
    std::memcpy(&y, pb + i, sizeof y);
    rest |= x ^ y;
    i += 4;
  }
  if (len & 2) rest |= static_cast<std::uint64_t>(a.get16(i) ^ b.get16(i));
  auto acc = static_cast<std::uint16_t>(rest | (rest >> 16) | (rest >> 32) | (rest >> 48));
  if (len % 2 == 1) {
    acc |= static_cast<std::uint16_t>(a.get(len - 1) ^ b.get(len - 1));
  }
  // Last, so that short strings, which have no block, pay nothing for the call.
  if (blocks_end > 0) acc |= equal_blocks(pa, pb, blocks_end / block);
  // acc is at most 65535, so acc - 1 is negative exactly when acc is 0.
  return static_cast<bool>(detail::minus_one_or_less(static_cast<std::ptrdiff_t>(acc) - 1));
}

// A machine word of the bytes at p, the first byte most significant (big) or
// least significant (little), whatever the host's byte order.
template <std::endian order>
inline uword load_word(const unsigned char* p) noexcept {
  static_assert(sizeof(uword) == 4 || sizeof(uword) == 8, "a 32- or 64-bit word");
  static_assert(std::endian::native == std::endian::big ||
                    std::endian::native == std::endian::little,
                "a big- or little-endian host: one byte swap turns one into the other");
  uword w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (order != std::endian::native) {
    if constexpr (sizeof w == 8) {
      w = __builtin_bswap64(w);
    } else {
      w = __builtin_bswap32(w);
    }
  }
  return w;
}

// One comparison step over a whole word: 16 when x < y, 8 when x > y, 0 when
// equal, as unsigned numbers; the borrow of x - y, taken from the top bit.
// Read with its most significant byte first, a word's order is the order of its
// first differing byte, so this is the decision compare_step takes at that byte.
inline uword compare_word_step(uword acc, uword x, uword y) noexcept {
  constexpr int top = std::numeric_limits<uword>::digits - 1;
  const uword below = value_barrier(((~x & y) | (~(x ^ y) & (x - y))) >> top);
  const uword above = value_barrier(((~y & x) | (~(x ^ y) & (y - x))) >> top);
  return acc | (((below << 4) | (above << 3)) & undecided(acc));
}

// Big-endian order of the first len bytes: -16, 0 or 8. Whole words from the
// first byte up, then the last bytes one by one; the first differing word
// decides as its first differing byte would.
template <class R>
std::ptrdiff_t compare_be(std::ptrdiff_t len, const R& a, const R& b) {
  constexpr std::ptrdiff_t w = sizeof(uword);
  const std::ptrdiff_t words_end = len - len % w;
  const unsigned char* const pa = a.bytes(0, words_end);
  const unsigned char* const pb = b.bytes(0, words_end);
  uword acc = 0;
  for (std::ptrdiff_t i = 0; i < words_end; i += w) {
    acc = compare_word_step(acc, load_word<std::endian::big>(pa + i),
                            load_word<std::endian::big>(pb + i));
  }
  for (std::ptrdiff_t i = words_end; i < len; ++i) acc = compare_step(acc, a.get(i), b.get(i));
  return compare_result(acc);
}

// Little-endian order of the first len bytes: -16, 0 or 8. Whole words from the
// last byte down, then the first bytes one by one, walking down.
template <class R>
std::ptrdiff_t compare_le(std::ptrdiff_t len, const R& a, const R& b) {
  constexpr std::ptrdiff_t w = sizeof(uword);
  const std::ptrdiff_t head = len % w;
  const unsigned char* const pa = a.bytes(head, len - head);
  const unsigned char* const pb = b.bytes(head, len - head);
  uword acc = 0;
  for (std::ptrdiff_t i = len - head - w; i >= 0; i -= w) {
    acc = compare_word_step(acc, load_word<std::endian::little>(pa + i),
                            load_word<std::endian::little>(pb + i));
  }
  for (std::ptrdiff_t i = head - 1; i >= 0; --i) acc = compare_step(acc, a.get(i), b.get(i));
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

// Whether every byte is 0: the OR of all bytes, eight at a time, then byte by
// byte; no early exit. The same timing rule as equal: every branch tests the
// length alone.
template <class R>
bool is_zero(const R& s) {
  const std::ptrdiff_t len = s.length();
  const unsigned char* const p = s.bytes(0, len);
  std::uint64_t acc = 0;
  std::ptrdiff_t i = 0;
  for (; i + 8 <= len; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    acc |= w;
  }
  for (; i < len; ++i) acc |= p[i];
  const auto merged = static_cast<std::uint16_t>(acc | (acc >> 16) | (acc >> 32) | (acc >> 48));
  // merged is at most 65535, so merged - 1 is negative exactly when it is 0.
  return static_cast<bool>(detail::minus_one_or_less(static_cast<std::ptrdiff_t>(merged) - 1));
}

// The search over start..end-1, walking down so that the last match written is
// the lowest; every byte is offered to p, and the answer is chosen with a mask.
template <class R>
std::ptrdiff_t find_uint8(std::ptrdiff_t start, std::ptrdiff_t end, const predicate& p,
                          const R& s) {
  return detail::find_walk(start, end, p, [&s](std::ptrdiff_t i) { return s.get(i); });
}

}  // namespace Zolt::fold
