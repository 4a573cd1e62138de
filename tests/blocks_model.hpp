// SPDX-License-Identifier: MIT
// The plain models of the counters and the padding that the tests, the checker
// and the fuzzers hold the library to: school arithmetic with a signed carry,
// and padding checked byte by byte with every branch and early exit the
// library avoids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace blocks_model {

using bytes = std::vector<std::uint8_t>;

// a + b, or a - b, modulo 256^size, and whether a carry (or a borrow) leaves
// the most significant byte: the first byte (big-endian) or the last (little).
// a and b have the same size.
inline std::pair<bytes, bool> add(bytes a, const bytes& b, bool subtract, bool big_endian) {
  const std::size_t n = a.size();
  int carry = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = big_endian ? n - 1 - k : k;  // least significant first
    int digit = a[i] + (subtract ? -b[i] : b[i]) + carry;
    carry = 0;
    if (digit < 0) {
      digit += 256;
      carry = -1;
    } else if (digit > 255) {
      digit -= 256;
      carry = 1;
    }
    a[i] = static_cast<std::uint8_t>(digit);
  }
  return {a, carry != 0};
}

// The number 1 of n bytes in that byte order.
inline bytes one(std::size_t n, bool big_endian) {
  bytes v(n, 0);
  if (n > 0) v[big_endian ? n - 1 : 0] = 1;
  return v;
}

enum class padding { iso7816, pkcs7 };

// The message with its padding up to the next multiple of block_size.
inline bytes pad(bytes message, std::size_t block_size, padding kind) {
  const std::size_t count = block_size - message.size() % block_size;
  for (std::size_t i = 0; i < count; ++i) {
    if (kind == padding::pkcs7) {
      message.push_back(static_cast<std::uint8_t>(count));
    } else {
      message.push_back(i == 0 ? 0x80 : 0x00);
    }
  }
  return message;
}

// The message's length, or nothing when the padding is malformed.
inline std::optional<std::size_t> unpad(std::span<const std::uint8_t> padded, std::size_t block_size,
                                        padding kind) {
  const std::size_t n = padded.size();
  if (n == 0 || n % block_size != 0) return std::nullopt;
  if (kind == padding::pkcs7) {
    const std::size_t count = padded[n - 1];
    if (count == 0 || count > block_size) return std::nullopt;
    for (std::size_t j = 1; j <= count; ++j) {
      if (padded[n - j] != count) return std::nullopt;
    }
    return n - count;
  }
  for (std::size_t j = 1; j <= block_size; ++j) {
    if (padded[n - j] == 0x80) return n - j;
    if (padded[n - j] != 0) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace blocks_model
