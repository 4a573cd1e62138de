// SPDX-License-Identifier: MIT
// Little-endian word access on byte buffers, whatever the host's byte order.
// Internal to zolt (not installed); header-only so that callers such as
// of_uint32 can be seen through by the optimiser.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>

namespace Zolt::Unsafe {

// Writes the four bytes of v, least significant first, at offset..offset+3.
// Throws std::out_of_range, writing nothing, unless the four bytes fit.
inline void set_int32_le(std::span<std::uint8_t> buf, std::ptrdiff_t offset, std::int32_t v) {
  if (offset < 0 || offset > std::ssize(buf) - 4) {
    throw std::out_of_range("Zolt::Unsafe::set_int32_le: offset outside the buffer");
  }
  auto u = static_cast<std::uint32_t>(v);
  if constexpr (std::endian::native == std::endian::big) u = __builtin_bswap32(u);
  // One 4-byte copy, so that the optimiser sees through a store-then-load round trip.
  std::memcpy(buf.data() + offset, &u, sizeof u);
}

// Reads offset..offset+7 as an int64, least significant byte first.
// Throws std::out_of_range unless the eight bytes fit.
inline std::int64_t get_int64_le(std::span<const std::uint8_t> buf, std::ptrdiff_t offset) {
  if (offset < 0 || offset > std::ssize(buf) - 8) {
    throw std::out_of_range("Zolt::Unsafe::get_int64_le: offset outside the buffer");
  }
  std::uint64_t u;
  std::memcpy(&u, buf.data() + offset, sizeof u);
  if constexpr (std::endian::native == std::endian::big) u = __builtin_bswap64(u);
  return static_cast<std::int64_t>(u);
}

}  // namespace Zolt::Unsafe
