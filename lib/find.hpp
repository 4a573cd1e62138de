// SPDX-License-Identifier: MIT
// The search for the bytes a builder's predicate matches (Zolt::byte_ranges),
// many bytes per step: eight in the byte lanes of a 64-bit word, or 64 in two
// AVX2 registers. Header-only and internal: zolt and zolt_bigstring each build
// it, so that zolt_bigstring need not link zolt.
//
// Every byte of the range is tested against every range of the class; the
// lowest match is kept with masks, with no early exit. The loop counts depend
// on the lengths, start and the number of ranges alone.
#pragma once

#include "dispatch.hpp"
#include "dit.hpp"

#include <zolt/zolt.hpp>

#include <cstddef>
#include <cstdint>

namespace Zolt::find {

using word = std::uint64_t;
inline constexpr word ones = 0x0101010101010101;  // 1 in every byte lane
inline constexpr word high = ones * 0x80;          // bit 7 of every lane

// All ones when m is not 0, else 0, behind the barrier.
inline word mask_if_any(word m) noexcept {
  return detail::value_barrier(word{0} - ((m | (word{0} - m)) >> 63));
}

// One range of the class as the steps test it: x is in it when x - first
// (modulo 256) is at most span and `live` is 0xFF; live is 0 for an empty
// range (low above high).
struct range {
  unsigned char first, span, live;
};
inline range range_at(const byte_ranges& r, std::size_t k) noexcept {
  const std::ptrdiff_t low = r.lows.data()[k], top = r.highs.data()[k];
  const std::ptrdiff_t empty = detail::value_barrier((top - low) >> detail::sign_shift);  // -1 or 0
  return {static_cast<unsigned char>(low), static_cast<unsigned char>(top - low),
          static_cast<unsigned char>(~empty)};
}

// The lowest match among the steps taken in ascending order of position: the
// first step whose match bits m are not all 0 is kept, its bits and its
// position, through masks. A later step that overlaps bytes already walked
// changes nothing: if none of those matched, its lowest match is a new one.
struct lowest {
  word found = 0, bits = 0;
  std::ptrdiff_t at = 0;

  void take(std::ptrdiff_t i, word m) noexcept {
    const word first = mask_if_any(m) & ~found;
    bits = (bits & ~first) | (m & first);
    at = (at & ~static_cast<std::ptrdiff_t>(first)) | (i & static_cast<std::ptrdiff_t>(first));
    found |= first;
  }

  // The index of the lowest match, else -1. Match bits lie 2^lane_shift apart,
  // one per byte: the lowest one's position is the count of the bits below it,
  // counted by arithmetic (no bit scan). The barrier keeps Clang from seeing
  // a count of trailing zeros, which it compiles with a branch for 0.
  std::ptrdiff_t index(int lane_shift) const noexcept {
    word below = detail::value_barrier((bits & (word{0} - bits)) - 1);
    below -= (below >> 1) & 0x5555555555555555;
    below = (below & 0x3333333333333333) + ((below >> 2) & 0x3333333333333333);
    below = (((below + (below >> 4)) & 0x0F0F0F0F0F0F0F0F) * ones) >> 56;
    const auto f = static_cast<std::ptrdiff_t>(found);
    return ((at + static_cast<std::ptrdiff_t>(below >> lane_shift)) & f) | ~f;
  }
};

// Each lane of x minus the same lane of y, modulo 256, no borrow crossing a lane.
inline word lane_sub(word x, word y) noexcept { return ((x | high) - (y & ~high)) ^ ((x ^ ~y) & high); }

// A range in every lane of a word: first, span and live repeated.
struct range_lanes {
  word first, span, live;
  explicit range_lanes(range g) noexcept : first(ones * g.first), span(ones * g.span), live(ones * g.live) {}

  // Bit 7 of each lane of x whose byte lies in the range, else 0: the lane is
  // out of it when span - (x - first) borrows (as in compare_word_step, lane
  // by lane).
  word operator()(word x) const noexcept {
    const word t = lane_sub(x, first);
    const word above = (~span & t) | (~(span ^ t) & lane_sub(span, t));
    return ~above & high & live;
  }
};

// The class tested on the lanes of a word: one range_lanes, set up once per
// search (every builder's but byte_in_set's), or any number of ranges, set up
// at each step.
struct any_ranges_lanes {
  const byte_ranges& r;
  word operator()(word x) const noexcept {
    word m = 0;
    for (std::size_t k = 0; k < r.lows.size(); ++k) m |= range_lanes(range_at(r, k))(x);
    return m;
  }
};

// The n <= 8 bytes at p in the lanes of a word, p[0] in the lowest, whatever
// the host's byte order; the lanes above n hold 0.
inline word load_lanes(const unsigned char* p, std::ptrdiff_t n) noexcept {
  word w = 0;
  for (std::ptrdiff_t j = 0; j < n; ++j) w |= word{p[j]} << (8 * j);
  return w;
}

// The search of start..end-1 (end - start >= 1) eight bytes per step, the
// last step overlapping; under eight bytes, one step over the lanes that hold
// them.
template <class Class>
std::ptrdiff_t ranges_portable(const unsigned char* p, std::ptrdiff_t start, std::ptrdiff_t end,
                               const Class& c) noexcept {
  lowest l;
  const std::ptrdiff_t n = end - start;
  if (n < 8) {
    l.take(start, c(load_lanes(p + start, n)) & (~word{0} >> (64 - 8 * n)));
    return l.index(3);
  }
  for (std::ptrdiff_t i = start; i + 8 <= end; i += 8) l.take(i, c(load_lanes(p + i, 8)));
  l.take(end - 8, c(load_lanes(p + end - 8, 8)));
  return l.index(3);
}

#if ZOLT_X86_AVX2
// A range in every lane of an AVX2 register: the 64 bytes of x tested against
// it, 0xFF ORed into the lanes of m whose byte lies in it.
struct range_vector {
  __m256i first, span, live;
  ZOLT_AVX2 explicit range_vector(range g) noexcept
      : first(avx2::bytes(static_cast<char>(g.first))), span(avx2::bytes(static_cast<char>(g.span))),
        live(avx2::bytes(static_cast<char>(g.live))) {}
  ZOLT_AVX2 void mark(const __m256i (&x)[2], __m256i (&m)[2]) const noexcept {
    for (int h = 0; h < 2; ++h) {
      const __m256i t = _mm256_sub_epi8(x[h], first);
      m[h] = _mm256_or_si256(m[h], _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(t, span), t), live));
    }
  }
};

// Any number of ranges, each set up once per 64 bytes, as for the words above.
struct any_ranges_vector {
  const byte_ranges& r;
  ZOLT_AVX2 void mark(const __m256i (&x)[2], __m256i (&m)[2]) const noexcept {
    for (std::size_t k = 0; k < r.lows.size(); ++k) range_vector(range_at(r, k)).mark(x, m);
  }
};

// One bit per byte of the 64 at p: set where the byte is in the class.
template <class Class>
ZOLT_AVX2 inline word vector_matches(const unsigned char* p, const Class& c) noexcept {
  const __m256i x[2] = {avx2::load(p), avx2::load(p + 32)};
  __m256i m[2] = {_mm256_setzero_si256(), _mm256_setzero_si256()};
  c.mark(x, m);
  const auto low = static_cast<std::uint32_t>(_mm256_movemask_epi8(avx2::barrier(m[0])));
  const auto up = static_cast<std::uint32_t>(_mm256_movemask_epi8(avx2::barrier(m[1])));
  return low | (word{up} << 32);
}

// The search of end - start >= 64 bytes, 64 per step, the last step overlapping.
template <class Class>
ZOLT_AVX2 std::ptrdiff_t ranges_avx2(const unsigned char* p, std::ptrdiff_t start, std::ptrdiff_t end,
                                     const Class& c) noexcept {
  lowest l;
  for (std::ptrdiff_t i = start; i + 64 <= end; i += 64) l.take(i, vector_matches(p + i, c));
  l.take(end - 64, vector_matches(p + end - 64, c));
  return l.index(0);
}
ZOLT_AVX2 inline std::ptrdiff_t ranges_avx2(const unsigned char* p, std::ptrdiff_t start,
                                            std::ptrdiff_t end, const byte_ranges& r) noexcept {
  if (r.lows.size() == 1) return ranges_avx2(p, start, end, range_vector(range_at(r, 0)));
  return ranges_avx2(p, start, end, any_ranges_vector{r});
}
#endif

// The lowest index in start..end-1 (0 <= start, end the length of p's bytes)
// whose byte lies in one of the ranges, else -1.
inline std::ptrdiff_t ranges(const unsigned char* p, std::ptrdiff_t start, std::ptrdiff_t end,
                             const byte_ranges& r) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  if (start >= end) return -1;
#if ZOLT_X86_AVX2
  if (end - start >= 64 && dispatch::avx2()) return ranges_avx2(p, start, end, r);
#endif
  if (r.lows.size() == 1) return ranges_portable(p, start, end, range_lanes(range_at(r, 0)));
  return ranges_portable(p, start, end, any_ranges_lanes{r});
}

}  // namespace Zolt::find
