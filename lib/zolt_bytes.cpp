// SPDX-License-Identifier: MIT
#include <zolt/zolt.hpp>
#include <zolt/zolt_bytes.hpp>

#include <cstdint>
#include <span>
#include <string_view>

namespace Zolt_bytes {

namespace {

// The same bytes seen as a string, without copying (char may alias any byte).
std::string_view as_string(std::span<const std::uint8_t> b) noexcept {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

}  // namespace

bool equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::equal(as_string(a), as_string(b));
}

std::ptrdiff_t compare_be(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::compare_be(as_string(a), as_string(b));
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                   std::span<const std::uint8_t> b) {
  return Zolt::compare_be_with_len(len, as_string(a), as_string(b));
}

std::ptrdiff_t compare_le(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::compare_le(as_string(a), as_string(b));
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                   std::span<const std::uint8_t> b) {
  return Zolt::compare_le_with_len(len, as_string(a), as_string(b));
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8_inner(start, p, as_string(s));
}

std::ptrdiff_t find_uint8(Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8_inner(0, p, as_string(s));
}

// The start, or its absence, goes through as given: zolt applies the default.
bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(start, p, as_string(s));
}

bool exists_uint8(Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(p, as_string(s));
}

bool is_zero(std::span<const std::uint8_t> s) noexcept { return Zolt::is_zero(as_string(s)); }

}  // namespace Zolt_bytes
