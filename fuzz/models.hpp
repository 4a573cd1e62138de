// SPDX-License-Identifier: MIT
// Plain models the fuzz targets hold the libraries to: the obvious code, with
// every branch and early exit that the libraries avoid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace model {

// Stops the fuzzer with a message when a library disagrees with its model.
inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "mismatch: %s\n", what);
  std::abort();
}

inline std::ptrdiff_t compare_be(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? 1 : -1;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -16 : 8;
  }
  return 0;
}

inline std::ptrdiff_t compare_le(std::string_view a, std::string_view b) {
  const std::string ra(a.rbegin(), a.rend()), rb(b.rbegin(), b.rend());
  return compare_be(ra, rb);
}

// find_uint8 over s from start for the byte values set in a 256-bit set.
inline std::ptrdiff_t find(std::ptrdiff_t start, const bool (&set)[256], std::string_view s) {
  for (auto i = static_cast<std::size_t>(start); i < s.size(); ++i) {
    if (set[static_cast<unsigned char>(s[i])]) return static_cast<std::ptrdiff_t>(i);
  }
  return -1;
}

inline std::string hex(std::string_view s) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

inline int nibble(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 255;
}

// The decoded bytes and the indicator: 16 for odd length, 240 for a bad character.
inline std::pair<std::string, std::ptrdiff_t> unhex(std::string_view h) {
  std::ptrdiff_t error = h.size() % 2 == 1 ? 16 : 0;
  std::string out;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
    const int hi = nibble(static_cast<unsigned char>(h[i]));
    const int lo = nibble(static_cast<unsigned char>(h[i + 1]));
    if (hi == 255 || lo == 255) error = 240;
    out += static_cast<char>(((hi << 4) | lo) & 255);
  }
  return {out, error};
}

inline std::string map_case(std::string_view s, char from, char to) {
  std::string out(s);
  for (char& c : out) {
    if (c >= from && c <= to) c = static_cast<char>(c ^ 32);
  }
  return out;
}

inline std::string decimal(std::size_t digits, std::uint32_t v) {
  std::string out(digits, '0');
  for (std::size_t i = digits; i-- > 0 && v != 0; v /= 10) out[i] = static_cast<char>('0' + v % 10);
  return out;
}

}  // namespace model
