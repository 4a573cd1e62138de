// SPDX-License-Identifier: MIT
// The equality and comparison folds and the search walk, written once over a
// byte reader and instantiated by both zolt (over std::string_view) and
// zolt_bigstring (over spans, with range-tested reads). Header-only and
// internal: zolt_bigstring shares this code without linking zolt.
//
// A reader R provides:
//   std::size_t length() const;
//   std::ptrdiff_t get(std::ptrdiff_t i) const;    // byte at i, 0..255
//   const unsigned char* bytes(std::size_t i, std::size_t n) const;
//                                                  // the n bytes from i on,
//                                                  // range-tested where get
//                                                  // is, once for the run
// Lengths stay std::size_t throughout: a 32-bit program may hold strings
// longer than PTRDIFF_MAX.
#pragma once

#include "dispatch.hpp"
#include "dit.hpp"

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

// The XOR of a and b at `at`, as a T (std::uint32_t or std::uint64_t).
template <class T>
inline std::uint64_t xor_at(const unsigned char* a, const unsigned char* b, std::size_t at) noexcept {
  T x, y;
  std::memcpy(&x, a + at, sizeof x);
  std::memcpy(&y, b + at, sizeof y);
  return x ^ y;
}

// The differences of `words` 8-byte words from the start and as many up to
// the end of len bytes, merged by OR: the two runs overlap and cover every
// byte when len < 16 * words.
template <std::size_t words>
inline std::uint64_t differences_ends(const unsigned char* a, const unsigned char* b,
                                      std::size_t len) noexcept {
  std::uint64_t d = 0;
  for (std::size_t k = 0; k < words; ++k) {
    d |= xor_at<std::uint64_t>(a, b, 8 * k) | xor_at<std::uint64_t>(a, b, len - 8 * words + 8 * k);
  }
  return d;
}

// The differences of the first 16 and the last 16 of len bytes (16 <= len <
// 32), merged by OR: one 16-byte load from each end of each string, which
// compilers keep in one SSE2 or NEON register (in word pairs elsewhere).
using lanes16 = std::uint64_t __attribute__((vector_size(16)));
inline std::uint64_t differences_16_ends(const unsigned char* a, const unsigned char* b,
                                         std::size_t len) noexcept {
  lanes16 x, y, u, v;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  std::memcpy(&u, a + len - 16, sizeof u);
  std::memcpy(&v, b + len - 16, sizeof v);
  const lanes16 d = (x ^ y) | (u ^ v);
  return d[0] | d[1];
}

// The differences of the first len bytes, len < 64, merged by OR: 0 exactly
// when they are equal. A few loads chosen by len whatever the bytes: two
// overlapping runs of 32, 16 or 8 bytes; below 8 bytes, two overlapping 4-byte
// words or three single bytes. Inlined into the caller, so that a short
// comparison costs no call of its own.
[[gnu::always_inline]] inline std::uint64_t differences_short(const unsigned char* a, const unsigned char* b,
                                       std::size_t len) noexcept {
  if (len >= 32) return differences_ends<4>(a, b, len);
  if (len >= 16) return differences_16_ends(a, b, len);
  if (len >= 8) return differences_ends<1>(a, b, len);
  if (len >= 4) return xor_at<std::uint32_t>(a, b, 0) | xor_at<std::uint32_t>(a, b, len - 4);
  if (len > 0) {
    return static_cast<std::uint64_t>((a[0] ^ b[0]) | (a[len / 2] ^ b[len / 2]) |
                                      (a[len - 1] ^ b[len - 1]));
  }
  return 0;
}

// true exactly when no bit of d is set. d, folded to 32 bits, passes the
// value barrier whole, so the optimiser cannot split the OR of the
// differences into early exits; the one test that remains gives the result.
inline bool none_set(std::uint64_t d) noexcept {
  return value_barrier(static_cast<std::uint32_t>(d | (d >> 32))) == 0;
}

// The XOR of the 64 bytes at a and b ORed into the lanes of two 32-byte
// vectors, which compilers keep in registers (four SSE2 or two AVX2 registers).
using lanes32 = std::uint64_t __attribute__((vector_size(32)));
[[gnu::always_inline]] inline void add_differences_64(lanes32 (&acc)[2], const unsigned char* a,
                                                      const unsigned char* b) noexcept {
  for (std::size_t h = 0; h < 2; ++h) {
    lanes32 x, y;
    std::memcpy(&x, a + sizeof(lanes32) * h, sizeof x);
    std::memcpy(&y, b + sizeof(lanes32) * h, sizeof y);
    acc[h] |= x ^ y;
  }
}

// The differences of the first len bytes, len >= 64, merged by OR: the first
// 64 bytes, then 64-byte blocks from where a reaches a 64-byte boundary (so
// that its loads do not straddle cache lines; the boundary depends on the
// address, never on the bytes), then the last 64 bytes once more, the three
// overlapping; then the lanes into one value.
[[gnu::always_inline]] inline std::uint64_t differences_blocks(const unsigned char* a,
                                                               const unsigned char* b,
                                                               std::size_t len) noexcept {
  lanes32 acc[2] = {};
  add_differences_64(acc, a, b);
  const auto aligned = static_cast<std::size_t>(64 - (reinterpret_cast<std::uintptr_t>(a) & 63));
#pragma GCC unroll 4
  for (std::size_t at = aligned; at + 64 <= len; at += 64) add_differences_64(acc, a + at, b + at);
  add_differences_64(acc, a + len - 64, b + len - 64);
  const lanes32 both = acc[0] | acc[1];
  return both[0] | both[1] | both[2] | both[3];
}

// differences_blocks built for the baseline target, and its AVX2 copy.
inline std::uint64_t differences_blocks_portable(const unsigned char* a, const unsigned char* b,
                                                 std::size_t len) noexcept {
  return differences_blocks(a, b, len);
}
#if ZOLT_X86_AVX2
ZOLT_AVX2 inline std::uint64_t differences_blocks_avx2(const unsigned char* a,
                                                       const unsigned char* b,
                                                       std::size_t len) noexcept {
  return differences_blocks(a, b, len);
}
#endif

// The differences of len >= 64 bytes. Out of line, so that short inputs,
// which never come here, pay nothing for its vector frame.
[[gnu::noinline]] inline std::uint64_t differences_long(const unsigned char* a, const unsigned char* b,
                                                        std::size_t len) noexcept {
#if ZOLT_X86_AVX2
  if (dispatch::avx2()) return differences_blocks_avx2(a, b, len);
#endif
  return differences_blocks_portable(a, b, len);
}

// The differences of the first len bytes, merged: 0 exactly when they are
// equal. Every byte is read, with no early exit. The reader range-tests the
// whole run once; every branch tests len alone. Inlined into the exported
// operations, with the short path.
template <class R>
[[gnu::always_inline]] inline std::uint64_t differences(std::size_t len, const R& a, const R& b) {
  const unsigned char* const pa = a.bytes(0, len);
  const unsigned char* const pb = b.bytes(0, len);
  if (len >= 64) return differences_long(pa, pb, len);
  return differences_short(pa, pb, len);
}

// Equality of the first len bytes.
template <class R>
[[gnu::always_inline]] inline bool equal(std::size_t len, const R& a, const R& b) {
  return none_set(differences(len, a, b));
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

#if ZOLT_X86_AVX2
// The bit sets of the 32 bytes at a and b, bit i for byte i: where the bytes
// are equal, and where a's byte is not above b's (as unsigned bytes: b's byte
// is their unsigned maximum). a's byte is below b's where `not_above` holds
// and `equal` does not, above where `not_above` does not hold.
struct byte_order_masks {
  uword equal, not_above;
};
ZOLT_AVX2 inline byte_order_masks order_masks(const unsigned char* a, const unsigned char* b) noexcept {
  const __m256i x = avx2::load(a), y = avx2::load(b);
  const auto eq = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(x, y)));
  const auto le = static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(x, y), y)));
  // No bytes above bit 31: equal there, so neither below nor above.
  return {eq | ~uword{0xFFFFFFFF}, le | ~uword{0xFFFFFFFF}};
}

// 1 when the single-bit or zero z is not 0, else 0: 0 - z reaches the top bit.
inline uword one_if_bit(uword z) noexcept { return (uword{0} - z) >> (std::numeric_limits<uword>::digits - 1); }

// One step over 32 bytes in big-endian order: the first differing byte is the
// lowest set bit of ~equal, isolated as ~equal & (equal + 1) (no bit scan),
// and a's byte there is below b's exactly when not_above holds it. 8 for a
// difference, 16 when it is a "below", kept once acc is decided.
ZOLT_AVX2 inline uword compare_be_step(uword acc, const unsigned char* a, const unsigned char* b) noexcept {
  const byte_order_masks m = order_masks(a, b);
  const uword first = ~m.equal & (m.equal + 1);
  const uword v = value_barrier((one_if_bit(first) + one_if_bit(m.not_above & first)) << 3);
  return acc | (v & undecided(acc));
}

// One step over 32 bytes in little-endian order: the last differing byte is
// the highest set bit of the two disjoint sets below and above, so the larger
// of the two holds it: a's byte there is below b's exactly when above - below
// borrows, taken from the top bit as in compare_word_step (below's own top
// bit, else above - below when neither has it).
ZOLT_AVX2 inline uword compare_le_step(uword acc, const unsigned char* a, const unsigned char* b) noexcept {
  constexpr int top = std::numeric_limits<uword>::digits - 1;
  const byte_order_masks m = order_masks(a, b);
  const uword differ = ~m.equal;
  const uword above = ~m.not_above, below = m.not_above & differ;
  const uword is_below = (below | (m.not_above & (above - below))) >> top;
  const uword v = value_barrier((((differ | (uword{0} - differ)) >> top) + is_below) << 3);
  return acc | (v & undecided(acc));
}

// The first difference of each of the 64 byte lanes of two registers, over
// runs of up to 254 steps of 64 bytes taken in walking order: in the lanes
// still `open` (0xFF) no difference has been seen; in the others, `step`,
// which counts the steps through which the lane stayed open, is the step of
// the first one, and `below` (0xFF) tells whether a's byte was below b's
// there. All in registers, chosen by masks: no reduction per step, and the
// two halves' chains run side by side.
struct lane_firsts {
  __m256i open[2], step[2], below[2];
};
inline constexpr int steps_per_run = 254;  // a closed lane's step is at most 253, below an open lane's 0xFF

ZOLT_AVX2 inline lane_firsts open_lanes() noexcept {
  const __m256i all = _mm256_set1_epi8(-1), none = _mm256_setzero_si256();
  return {{all, all}, {none, none}, {none, none}};
}

ZOLT_AVX2 inline void first_differences(lane_firsts& f, const unsigned char* a, const unsigned char* b) noexcept {
  for (int h = 0; h < 2; ++h) {
    const __m256i x = avx2::load(a + 32 * h), y = avx2::load(b + 32 * h);
    const __m256i equal = _mm256_cmpeq_epi8(x, y);
    const __m256i first = avx2::barrier(_mm256_andnot_si256(equal, f.open[h]));
    f.below[h] = _mm256_blendv_epi8(f.below[h], _mm256_cmpeq_epi8(_mm256_max_epu8(x, y), y), first);
    f.open[h] = _mm256_and_si256(f.open[h], equal);
    f.step[h] = _mm256_sub_epi8(f.step[h], f.open[h]);  // + 1 where still open
  }
}

// The 64 lanes' bits of a mask in two registers, lane i at bit i.
ZOLT_AVX2 inline uword lane_bits(__m256i low, __m256i high) noexcept {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
         (uword{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32);
}

// The decision of a run, folded into acc as compare_be_step does: the first
// difference in walking order lies in a lane whose step count is the least,
// and among those in the lowest lane (big-endian: walking up) or the highest
// (little-endian: walking down). The least count is spread to every lane by
// minima over rotations; the lane is isolated among the candidates' bits
// without a bit scan.
ZOLT_AVX2 inline uword decide_run(uword acc, const lane_firsts& f, bool lowest_lane) noexcept {
  const __m256i key[2] = {_mm256_or_si256(f.step[0], f.open[0]), _mm256_or_si256(f.step[1], f.open[1])};
  __m256i least = _mm256_min_epu8(key[0], key[1]);
  least = _mm256_min_epu8(least, _mm256_permute2x128_si256(least, least, 1));
  least = _mm256_min_epu8(least, _mm256_alignr_epi8(least, least, 8));
  least = _mm256_min_epu8(least, _mm256_alignr_epi8(least, least, 4));
  least = _mm256_min_epu8(least, _mm256_alignr_epi8(least, least, 2));
  least = _mm256_min_epu8(least, _mm256_alignr_epi8(least, least, 1));
  const uword candidates = lane_bits(_mm256_andnot_si256(f.open[0], _mm256_cmpeq_epi8(key[0], least)),
                                     _mm256_andnot_si256(f.open[1], _mm256_cmpeq_epi8(key[1], least)));
  const uword below = lane_bits(f.below[0], f.below[1]);
  uword pick = candidates & (uword{0} - candidates);  // the lowest candidate
  if (!lowest_lane) {  // public: the highest candidate instead
    uword upper = candidates;
    for (int k = 1; k < 64; k <<= 1) upper |= upper >> k;
    pick = upper ^ (upper >> 1);
  }
  const uword v = value_barrier((one_if_bit(pick) + one_if_bit(pick & below)) << 3);
  return acc | (v & undecided(acc));
}

// The comparisons of len >= 32 bytes. Under 64 bytes, two overlapping steps
// of 32. From 64 on, the whole steps of 64 in walking order by runs, then
// the 32 bytes that follow in the walk if whole, then the 32 bytes at the far
// end of the walk once more. Those overlap bytes already walked, which were
// all equal if nothing is decided yet, so the first difference of the
// overlapping step is a new one.
ZOLT_AVX2 inline uword compare_be_avx2(const unsigned char* a, const unsigned char* b,
                                       std::size_t len) noexcept {
  uword acc = 0;
  std::size_t i = 0;
  while (i + 64 <= len) {
    lane_firsts f = open_lanes();
    for (int k = 0; k < steps_per_run && i + 64 <= len; ++k, i += 64) first_differences(f, a + i, b + i);
    acc = decide_run(acc, f, true);
  }
  if (i + 32 <= len) acc = compare_be_step(acc, a + i, b + i);
  return compare_be_step(acc, a + len - 32, b + len - 32);
}
ZOLT_AVX2 inline uword compare_le_avx2(const unsigned char* a, const unsigned char* b,
                                       std::size_t len) noexcept {
  uword acc = 0;
  std::size_t end = len;  // the bytes below end are still to walk
  while (end >= 64) {
    lane_firsts f = open_lanes();
    for (int k = 0; k < steps_per_run && end >= 64; ++k, end -= 64) {
      first_differences(f, a + end - 64, b + end - 64);
    }
    acc = decide_run(acc, f, false);
  }
  if (end >= 32) acc = compare_le_step(acc, a + end - 32, b + end - 32);
  return compare_le_step(acc, a, b);
}
#endif

// Big-endian order of the first len bytes: -16, 0 or 8. Whole words from the
// first byte up, then the last bytes one by one; the first differing word
// decides as its first differing byte would. On AVX2, from 32 bytes on, in
// vector steps.
template <class R>
std::ptrdiff_t compare_be(std::size_t len, const R& a, const R& b) {
  const unsigned char* const pa = a.bytes(0, len);
  const unsigned char* const pb = b.bytes(0, len);
#if ZOLT_X86_AVX2
  if (len >= 32 && dispatch::avx2()) return compare_result(compare_be_avx2(pa, pb, len));
#endif
  constexpr std::size_t w = sizeof(uword);
  const std::size_t words_end = len - len % w;
  uword acc = 0;
  for (std::size_t i = 0; i < words_end; i += w) {
    acc = compare_word_step(acc, load_word<std::endian::big>(pa + i),
                            load_word<std::endian::big>(pb + i));
  }
  for (std::size_t i = words_end; i < len; ++i) acc = compare_step(acc, pa[i], pb[i]);
  return compare_result(acc);
}

// Little-endian order of the first len bytes: -16, 0 or 8. Whole words from the
// last byte down, then the first bytes one by one, walking down. On AVX2,
// from 32 bytes on, in vector steps.
template <class R>
std::ptrdiff_t compare_le(std::size_t len, const R& a, const R& b) {
  const unsigned char* const pa = a.bytes(0, len);
  const unsigned char* const pb = b.bytes(0, len);
#if ZOLT_X86_AVX2
  if (len >= 32 && dispatch::avx2()) return compare_result(compare_le_avx2(pa, pb, len));
#endif
  constexpr std::size_t w = sizeof(uword);
  const std::size_t head = len % w;
  uword acc = 0;
  for (std::size_t i = len; i >= head + w; i -= w) {  // the word that ends at i
    acc = compare_word_step(acc, load_word<std::endian::little>(pa + i - w),
                            load_word<std::endian::little>(pb + i - w));
  }
  for (std::size_t i = head; i-- > 0;) acc = compare_step(acc, pa[i], pb[i]);
  return compare_result(acc);
}

template <class R>
[[gnu::always_inline]] inline bool equal(const R& a, const R& b) {
  [[maybe_unused]] const dit::operation dit_on{};
  if (a.length() != b.length()) return false;
  return equal(a.length(), a, b);
}

// The two-argument comparisons: 1 when a is shorter, -1 when longer, else the fold.
template <class R, class Fold>
std::ptrdiff_t compare_lengths_then(const R& a, const R& b, Fold fold) {
  [[maybe_unused]] const dit::operation dit_on{};
  if (a.length() < b.length()) return 1;
  if (a.length() > b.length()) return -1;
  return fold(a.length(), a, b);
}

// The _with_len comparisons: len 0 gives 0; any other len must be both
// lengths. A negative len is none, even where its bits, read as a size, are a
// 32-bit program's length above PTRDIFF_MAX.
template <class R, class Fold>
std::ptrdiff_t compare_with_len(std::ptrdiff_t len, const R& a, const R& b, Fold fold,
                                const char* message) {
  [[maybe_unused]] const dit::operation dit_on{};
  if (len == 0) return 0;
  const auto n = static_cast<std::size_t>(len);
  if (len < 0 || ((a.length() ^ n) | (b.length() ^ n)) != 0) throw std::invalid_argument(message);
  return fold(n, a, b);
}

// The OR of all bytes, eight at a time, then byte by byte: 0 exactly when
// every byte is 0. No early exit; the same timing rule as equal: every branch
// tests the length alone.
template <class R>
std::uint64_t bits_set(const R& s) {
  const std::size_t len = s.length();
  const unsigned char* const p = s.bytes(0, len);
  std::uint64_t acc = 0;
  std::size_t i = 0;
  for (; i + 8 <= len; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, p + i, sizeof w);
    acc |= w;
  }
  for (; i < len; ++i) acc |= p[i];
  return acc;
}

template <class R>
bool is_zero(const R& s) {
  [[maybe_unused]] const dit::operation dit_on{};
  return none_set(bits_set(s));
}

// The search over start..end-1, walking down so that the last match written is
// the lowest; every byte is offered to p, and the answer is chosen with a mask.
template <class R>
std::ptrdiff_t find_uint8(std::ptrdiff_t start, std::ptrdiff_t end, const predicate& p,
                          const R& s) {
  [[maybe_unused]] const dit::operation dit_on{};
  return detail::find_walk(start, end, p, [&s](std::ptrdiff_t i) { return s.get(i); });
}

}  // namespace Zolt::fold
