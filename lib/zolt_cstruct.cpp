// SPDX-License-Identifier: MIT
#include <zolt/cstruct.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_cstruct.hpp>

namespace Zolt_cstruct {

using Cstruct::to_bigarray;
using Zolt_bigstring::bigstring;

// The second view is converted before the first, then both go to zolt_bigstring.

bool equal(const Cstruct::t& a, const Cstruct::t& b) noexcept {
  const bigstring bb = to_bigarray(b);
  const bigstring ba = to_bigarray(a);
  return Zolt_bigstring::equal(ba, bb);
}

std::ptrdiff_t compare_be(const Cstruct::t& a, const Cstruct::t& b) noexcept {
  const bigstring bb = to_bigarray(b);
  const bigstring ba = to_bigarray(a);
  return Zolt_bigstring::compare_be(ba, bb);
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, const Cstruct::t& a, const Cstruct::t& b) {
  const bigstring bb = to_bigarray(b);
  const bigstring ba = to_bigarray(a);
  return Zolt_bigstring::compare_be_with_len(len, ba, bb);
}

std::ptrdiff_t compare_le(const Cstruct::t& a, const Cstruct::t& b) noexcept {
  const bigstring bb = to_bigarray(b);
  const bigstring ba = to_bigarray(a);
  return Zolt_bigstring::compare_le(ba, bb);
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, const Cstruct::t& a, const Cstruct::t& b) {
  const bigstring bb = to_bigarray(b);
  const bigstring ba = to_bigarray(a);
  return Zolt_bigstring::compare_le_with_len(len, ba, bb);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, const Cstruct::t& s) {
  return Zolt_bigstring::find_uint8_inner(start, p, to_bigarray(s));
}

std::ptrdiff_t find_uint8(Zolt::predicate p, const Cstruct::t& s) {
  return Zolt_bigstring::find_uint8_inner(0, p, to_bigarray(s));
}

// The start, or its absence, goes through as given: zolt_bigstring applies the default.
bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, const Cstruct::t& s) {
  return Zolt_bigstring::exists_uint8(start, p, to_bigarray(s));
}

bool exists_uint8(Zolt::predicate p, const Cstruct::t& s) {
  return Zolt_bigstring::exists_uint8(p, to_bigarray(s));
}

bool is_zero(const Cstruct::t& s) noexcept { return Zolt_bigstring::is_zero(to_bigarray(s)); }

}  // namespace Zolt_cstruct
