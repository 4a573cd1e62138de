// SPDX-License-Identifier: MIT
#include <zolt/zolt.hpp>
#include <zolt/zolt_bytes.hpp>

#include <cstdint>
#include <span>

// Each operation hands the caller's bytes to zolt as a Zolt::byte_view over the
// same memory: nothing is copied.
namespace Zolt_bytes {

bool equal(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::equal(a, b);
}

std::ptrdiff_t compare_be(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::compare_be(a, b);
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                   std::span<const std::uint8_t> b) {
  return Zolt::compare_be_with_len(len, a, b);
}

std::ptrdiff_t compare_le(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) noexcept {
  return Zolt::compare_le(a, b);
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, std::span<const std::uint8_t> a,
                                   std::span<const std::uint8_t> b) {
  return Zolt::compare_le_with_len(len, a, b);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8_inner(start, p, s);
}

std::ptrdiff_t find_uint8(Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::find_uint8_inner(0, p, s);
}

// The start, or its absence, goes through as given: zolt applies the default.
bool exists_uint8(std::ptrdiff_t start, Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(start, p, s);
}

bool exists_uint8(Zolt::predicate p, std::span<const std::uint8_t> s) {
  return Zolt::exists_uint8(p, s);
}

bool is_zero(std::span<const std::uint8_t> s) noexcept { return Zolt::is_zero(s); }

}  // namespace Zolt_bytes
