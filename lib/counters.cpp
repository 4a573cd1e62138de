// SPDX-License-Identifier: MIT
// Counters and sums held in byte strings: one carry chain, byte by byte from
// the least significant byte, for increment, addition and subtraction
// (a - b = a + ~b + 1, the borrow the carry's complement).
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <bit>
#include <stdexcept>
#include <string>

namespace Zolt {

namespace {

// a + b(i) over every byte, plus carry into the least significant one; returns
// the carry out, 0 or 1. a's byte i is b's byte i.
template <std::endian order, class B>
unsigned add_chain(std::span<std::uint8_t> a, B b, unsigned carry) noexcept {
  const std::size_t n = a.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = order == std::endian::little ? k : n - 1 - k;
    const unsigned sum = a[i] + b(i) + carry;
    a[i] = static_cast<std::uint8_t>(sum);
    carry = sum >> 8;
  }
  return carry;
}

// The sizes and the aliasing rule of add_* and sub_*, before any write.
void check_operands(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                    const char* name) {
  if (a.size() != b.size()) throw std::invalid_argument(std::string(name) + ": sizes differ");
  if (overlap_not_in_place(a.data(), a.size(), b.data(), b.size())) {
    throw std::invalid_argument(std::string(name) + ": buffers overlap");
  }
}

// a += b (flip 0) or a -= b as a += ~b + 1 (flip 0xFF): each byte of b XORed
// with flip, the carry in flip's low bit. The carry or borrow out is a carry
// out that differs from that carry in.
template <std::endian order>
choice add_or_sub(std::span<std::uint8_t> a, std::span<const std::uint8_t> b, unsigned flip,
                  const char* name) {
  check_operands(a, b, name);
  const std::uint8_t* const p = b.data();
  const unsigned carry_in = flip & 1;
  const unsigned carry = add_chain<order>(a, [p, flip](std::size_t i) -> unsigned { return p[i] ^ flip; },
                                          carry_in);
  return ct_ne(carry, carry_in);
}

constexpr auto nothing = [](std::size_t) noexcept { return 0u; };

}  // namespace

void increment_le(std::span<std::uint8_t> n) noexcept { add_chain<std::endian::little>(n, nothing, 1); }
void increment_be(std::span<std::uint8_t> n) noexcept { add_chain<std::endian::big>(n, nothing, 1); }

choice add_le(std::span<std::uint8_t> a, std::span<const std::uint8_t> b) {
  return add_or_sub<std::endian::little>(a, b, 0, "add_le");
}
choice add_be(std::span<std::uint8_t> a, std::span<const std::uint8_t> b) {
  return add_or_sub<std::endian::big>(a, b, 0, "add_be");
}
choice sub_le(std::span<std::uint8_t> a, std::span<const std::uint8_t> b) {
  return add_or_sub<std::endian::little>(a, b, 0xFF, "sub_le");
}
choice sub_be(std::span<std::uint8_t> a, std::span<const std::uint8_t> b) {
  return add_or_sub<std::endian::big>(a, b, 0xFF, "sub_be");
}

}  // namespace Zolt
