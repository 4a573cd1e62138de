// SPDX-License-Identifier: MIT
// The base64 character mapping and bit packing, eight characters (six bytes)
// per 64-bit word in byte lanes, like the hex codec's lanes. Every character
// class is found by range tests whose flags pass the value barrier before they
// choose anything; no table is read at a secret index. Header-only and
// internal, so that the tests can reach the word functions. Not installed.
#pragma once

#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace Zolt::base64 {

using lanes::high;
using lanes::ones;
using lanes::word;

// What tells the variants apart: the characters of the values 62 and 63, and
// whether the text is padded with '='.
struct alphabet {
  unsigned c62, c63;
  bool padded;
};

// The alphabet of v; nothing for a value outside the enumeration.
constexpr std::optional<alphabet> alphabet_of(base64_variant v) noexcept {
  switch (v) {
    case base64_variant::standard: return alphabet{'+', '/', true};
    case base64_variant::standard_unpadded: return alphabet{'+', '/', false};
    case base64_variant::url: return alphabet{'-', '_', true};
    case base64_variant::url_unpadded: return alphabet{'-', '_', false};
  }
  return std::nullopt;
}

// Six bytes (48 bits, the first byte most significant) spread into eight
// 6-bit values, the first in the lowest lane: halves of 24 bits into the
// 32-bit lanes, then 12 bits into the 16-bit lanes, then 6 into the bytes.
inline word spread(word x) noexcept {
  x = (x >> 24) | ((x & 0xFFFFFF) << 32);
  x = ((x >> 12) & 0x00000FFF00000FFF) | ((x & 0x00000FFF00000FFF) << 16);
  return ((x >> 6) & 0x003F003F003F003F) | ((x & 0x003F003F003F003F) << 8);
}

// The inverse of spread: eight 6-bit lane values back into 48 bits.
inline word pack(word s) noexcept {
  s = ((s & lanes::low16) << 6) | ((s >> 8) & lanes::low16);
  s = ((s & 0x0000FFFF0000FFFF) << 12) | ((s >> 16) & 0x0000FFFF0000FFFF);
  return ((s & 0xFFFFFFFF) << 24) | (s >> 32);
}

// 1 in each lane whose value (0..127) is at least k (1..128), else 0; a flag
// behind the barrier.
inline word at_least(word v, unsigned k) noexcept {
  return detail::value_barrier(((v + ones * (128 - k)) >> 7) & ones);
}

// The character of each lane's value 0..63: 'A' + v, then for each range the
// value reaches, the step from the character the previous range would give to
// the first of this one. Each lane ends in 0..127, so the whole-word sum is
// exact whatever the order of the steps (no carry or borrow crosses a lane).
inline word chars(word v, const alphabet& a) noexcept {
  constexpr word step_lower = 'a' - ('A' + 26);   // 26..51: a..z
  constexpr word step_digit = word{'0'} - ('a' + 26);  // 52..61: 0..9 (wraps: negative)
  const word step_62 = a.c62 - word{'0' + 10};    // 62
  const word step_63 = word{a.c63} - (a.c62 + 1); // 63
  return v + ones * 'A' + at_least(v, 26) * step_lower + at_least(v, 52) * step_digit +
         at_least(v, 62) * step_62 + at_least(v, 63) * step_63;
}

// The value 0..63 of each lane's character; bad gets 0xFF in each lane whose
// character is outside the alphabet (its value is then meaningless).
inline word values(word c, const alphabet& a, word& bad) noexcept {
  using lanes::in_range, lanes::minus, lanes::widen;
  const word upper = widen(in_range(c, 'A', 'Z'));
  const word lower = widen(in_range(c, 'a', 'z'));
  const word digit = widen(in_range(c, '0', '9'));
  const word is_62 = widen(in_range(c, a.c62, a.c62));
  const word is_63 = widen(in_range(c, a.c63, a.c63));
  bad |= ~(upper | lower | digit | is_62 | is_63);
  return (minus(c, 'A') & upper) | (minus(c, 'a' - 26) & lower) |
         (((c & ~high) + ones * (52 - '0')) & digit) | (ones * 62 & is_62) | (ones * 63 & is_63);
}

// The number of '=' that end a text of the variant: up to two in a padded one,
// none in an unpadded one. It tests the last two characters against '=' alone;
// how many there are is public, as it sets the decoded length.
inline std::size_t padding(std::string_view text, const alphabet& a) noexcept {
  std::size_t n = 0;
  if (a.padded) {
    while (n < 2 && n < text.size() && text[text.size() - 1 - n] == '=') ++n;
  }
  return n;
}

}  // namespace Zolt::base64
