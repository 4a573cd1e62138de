// SPDX-License-Identifier: MIT
#include "find.hpp"
#include "zolt_bigstring_internal.hpp"

#include <zolt/zolt_bigstring.hpp>

namespace Zolt_bigstring {

namespace fold = Zolt::fold;

// Every index these reach lies below a length already checked against both
// buffers, so the guarded read never throws through them.

bool equal(bigstring a, bigstring b) noexcept {
  return fold::equal(bigstring_reader{a}, bigstring_reader{b});
}

std::ptrdiff_t compare_be(bigstring a, bigstring b) noexcept {
  return fold::compare_lengths_then(bigstring_reader{a}, bigstring_reader{b},
                                    fold::compare_be<bigstring_reader>);
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, bigstring a, bigstring b) {
  return fold::compare_with_len(len, bigstring_reader{a}, bigstring_reader{b},
                                fold::compare_be<bigstring_reader>, "compare_be_with_len");
}

std::ptrdiff_t compare_le(bigstring a, bigstring b) noexcept {
  return fold::compare_lengths_then(bigstring_reader{a}, bigstring_reader{b},
                                    fold::compare_le<bigstring_reader>);
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, bigstring a, bigstring b) {
  return fold::compare_with_len(len, bigstring_reader{a}, bigstring_reader{b},
                                fold::compare_le<bigstring_reader>, "compare_le_with_len");
}

std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, Zolt::predicate p, bigstring s) {
  return find_uint8(start, Zolt::detail::search_end(s.size()), p, s);
}

// No call of a predicate to make: a negative start throws at once.
std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, const Zolt::byte_ranges& r, bigstring s) {
  const std::ptrdiff_t end = Zolt::detail::search_end(s.size());
  if (start < 0) throw std::out_of_range(Zolt::detail::negative_start);
  return Zolt::find::ranges(reinterpret_cast<const unsigned char*>(s.data()), start, end, r);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, bigstring s) {
  return find_uint8_inner(start, p, s);
}

std::ptrdiff_t find_uint8(Zolt::predicate p, bigstring s) { return find_uint8_inner(0, p, s); }

bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, bigstring s) {
  return Zolt::detail::found(find_uint8_inner(start, p, s));
}

bool exists_uint8(Zolt::predicate p, bigstring s) { return exists_uint8(0, p, s); }

// The whole buffer, range-tested once: the read cannot throw.
bool is_zero(bigstring s) noexcept { return fold::is_zero(bigstring_reader{s}); }

}  // namespace Zolt_bigstring
