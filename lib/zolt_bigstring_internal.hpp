// SPDX-License-Identifier: MIT
// Internal operations of zolt_bigstring: the buffer accessors and the length-given
// forms, the latter instantiated from the shared folds of fold.hpp. Inline and
// header-only, so nothing here needs libzolt. Not installed.
#pragma once

#include "fold.hpp"

#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>

#include <cstddef>
#include <stdexcept>

namespace Zolt_bigstring {

// The byte at i, 0..255; throws std::out_of_range, reading nothing, when i is
// outside the buffer. The test depends on the index alone.
inline std::ptrdiff_t get(bigstring s, std::ptrdiff_t i) {
  // One unsigned comparison rejects both i < 0 and i >= length.
  if (static_cast<std::size_t>(i) >= s.size()) throw std::out_of_range("Zolt_bigstring: index out of range");
  return std::to_integer<std::ptrdiff_t>(s[static_cast<std::size_t>(i)]);
}

// Bytes i and i+1 as a little-endian 16-bit value, any alignment. No bounds
// check: the caller keeps 0 <= i and i + 1 < length(s).
inline std::ptrdiff_t get16(bigstring s, std::ptrdiff_t i) noexcept {
  return Zolt::fold::load16_le(s.data() + i);
}

// The reader through which the shared folds see a buffer.
struct bigstring_reader {
  bigstring s;
  std::size_t length() const noexcept { return s.size(); }
  std::ptrdiff_t get(std::ptrdiff_t i) const { return Zolt_bigstring::get(s, i); }
  // The n bytes from i on, range-tested like get, once for a whole run of reads.
  const unsigned char* bytes(std::size_t i, std::size_t n) const {
    // Written so that i + n cannot overflow.
    if (i > s.size() || n > s.size() - i) {
      throw std::out_of_range("Zolt_bigstring: index out of range");
    }
    return reinterpret_cast<const unsigned char*>(s.data()) + i;
  }
};

// Length-given forms: the caller guarantees both buffers hold len bytes.
inline bool equal(std::size_t len, bigstring a, bigstring b) {
  return Zolt::fold::equal(len, bigstring_reader{a}, bigstring_reader{b});
}
inline std::ptrdiff_t compare_le(std::size_t len, bigstring a, bigstring b) {
  return Zolt::fold::compare_le(len, bigstring_reader{a}, bigstring_reader{b});
}
inline std::ptrdiff_t compare_be(std::size_t len, bigstring a, bigstring b) {
  return Zolt::fold::compare_be(len, bigstring_reader{a}, bigstring_reader{b});
}

// The search over start..end-1 (general form). A start below 0 walks down to
// index 0, as a walk down to start would until its read of index -1, and then
// throws what a negative start throws in every library.
inline std::ptrdiff_t find_uint8(std::ptrdiff_t start, std::ptrdiff_t end, const Zolt::predicate& p,
                                 bigstring s) {
  const std::ptrdiff_t answer =
      Zolt::fold::find_uint8(start < 0 ? 0 : start, end, p, bigstring_reader{s});
  if (start < 0) throw std::out_of_range(Zolt::detail::negative_start);
  return answer;
}

}  // namespace Zolt_bigstring
