// SPDX-License-Identifier: MIT
// The zero test and the conditional copy and swap against memcpy,
// std::swap_ranges and a plain loop. The first byte is the condition (its low
// bit, so that both ways are taken; its other bits make the value), the rest
// splits into two halves of the same size.
#include "models.hpp"

#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>
#include <zolt/zolt_bytes.hpp>

#include <algorithm>
#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view s(reinterpret_cast<const char*>(data), size);
  const bool zero = std::all_of(s.begin(), s.end(), [](char c) { return c == 0; });
  model::require(Zolt::is_zero(s) == zero, "is_zero");
  model::require(Zolt_bytes::is_zero(std::span(data, size)) == zero, "Zolt_bytes::is_zero");
  model::require(Zolt_bigstring::is_zero(std::as_bytes(std::span(data, size))) == zero,
                 "Zolt_bigstring::is_zero");
  if (size == 0) return 0;

  // 0 or a value with more bits, never a value whose bits cancel out.
  const std::ptrdiff_t c = (data[0] & 1) ? static_cast<std::int8_t>(data[0]) : 0;
  const std::size_t half = (size - 1) / 2;
  const std::vector<std::byte> a0(reinterpret_cast<const std::byte*>(data + 1),
                                  reinterpret_cast<const std::byte*>(data + 1 + half));
  const std::vector<std::byte> b0(reinterpret_cast<const std::byte*>(data + 1 + half),
                                  reinterpret_cast<const std::byte*>(data + 1 + 2 * half));

  std::vector<std::byte> dst = a0;
  Zolt::copy_if(c, dst, b0);
  std::vector<std::byte> expected = a0;
  if (c != 0 && half > 0) std::memcpy(expected.data(), b0.data(), half);
  model::require(dst == expected, "copy_if");

  std::vector<std::byte> a = a0, b = b0, ea = a0, eb = b0;
  Zolt::swap_if(c, a, b);
  if (c != 0) std::swap_ranges(ea.begin(), ea.end(), eb.begin());
  model::require(a == ea && b == eb, "swap_if");
  return 0;
}
