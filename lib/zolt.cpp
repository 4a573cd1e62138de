// SPDX-License-Identifier: MIT
#include "zolt_internal.hpp"
#include "zolt_into.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace Zolt {

namespace {

// Hex text of n bytes into out (2n characters), ascending: eight bytes per
// step in byte lanes, then the last bytes one character at a time, each byte
// read twice.
void encode_hex(const unsigned char* in, std::size_t n, char* out) noexcept {
  std::size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    const lanes::word w = lanes::load(in + k);
    lanes::store(out + 2 * k, lanes::hex_of_4(w & 0xFFFFFFFF));
    lanes::store(out + 2 * k + 8, lanes::hex_of_4(w >> 32));
  }
  for (std::size_t i = 2 * k; i < 2 * n; ++i) {
    const unsigned c = in[i >> 1];
    const unsigned shift = 4 * ((~i) & 1);  // high nibble first
    out[i] = static_cast<char>(to_hex_nibble((c >> shift) & 15));
  }
}

// Decodes the h.size() / 2 bytes of h into dst and returns the error
// indicator; every character pair is visited whatever it holds. Writes the
// bytes straight into dst, so no copy of them is left in this frame.
std::ptrdiff_t decode_hex(std::string_view h, unsigned char* dst) noexcept {
  const std::size_t n = h.size() >> 1;
  std::ptrdiff_t error = static_cast<std::ptrdiff_t>(h.size() & 1) << 4;
  // Eight characters (four bytes) per step in byte lanes, then pair by pair.
  std::size_t i = 0;
  lanes::word lane_error = 0;
  for (; i + 4 <= n; i += 4) {
    const lanes::word v = lanes::nib(lanes::load(h.data() + 2 * i));
    lane_error |= v;
    const lanes::word b = lanes::bytes_of_nibbles(v);
    for (std::size_t j = 0; j < 4; ++j) dst[i + j] = char_chr(static_cast<std::ptrdiff_t>(b >> (8 * j)));
  }
  error |= lanes::or_lanes(lane_error);
  for (; i < n; ++i) {
    const std::ptrdiff_t hi = nib(get(h, static_cast<std::ptrdiff_t>(2 * i)));
    const std::ptrdiff_t lo = nib(get(h, static_cast<std::ptrdiff_t>(2 * i + 1)));
    error |= hi | lo;
    dst[i] = char_chr((hi << 4) | lo);
  }
  return error & ~std::ptrdiff_t{15};
}

// Decodes h into a new Out and the error indicator.
template <class Out>
std::pair<Out, std::ptrdiff_t> decode_hex(std::string_view h) {
  Out out(h.size() >> 1, 0);
  const wiped_on_return<Out> wiper{out};
  const std::ptrdiff_t error = decode_hex(h, reinterpret_cast<unsigned char*>(out.data()));
  return {std::move(out), error};
}

// map_lanes on eight bytes at a time, then map on the last bytes one by one,
// into dst (s.size() bytes). Each step reads its bytes before it writes them,
// so dst may be s.data() itself.
template <class Map, class MapLanes>
void map_bytes(std::string_view s, char* const dst, Map map, MapLanes map_lanes) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) lanes::store(dst + i, map_lanes(lanes::load(s.data() + i)));
  for (; i < s.size(); ++i) {
    dst[i] = static_cast<char>(map(get(s, static_cast<std::ptrdiff_t>(i))));
  }
}

}  // namespace

bool equal(std::string_view a, std::string_view b) noexcept {
  return fold::equal(string_reader{a}, string_reader{b});
}

std::ptrdiff_t compare_be(std::string_view a, std::string_view b) noexcept {
  return fold::compare_lengths_then(string_reader{a}, string_reader{b},
                                    fold::compare_be<string_reader>);
}

std::ptrdiff_t compare_be_with_len(std::ptrdiff_t len, std::string_view a, std::string_view b) {
  return fold::compare_with_len(len, string_reader{a}, string_reader{b},
                                fold::compare_be<string_reader>, "compare_be_with_len");
}

std::ptrdiff_t compare_le(std::string_view a, std::string_view b) noexcept {
  return fold::compare_lengths_then(string_reader{a}, string_reader{b},
                                    fold::compare_le<string_reader>);
}

std::ptrdiff_t compare_le_with_len(std::ptrdiff_t len, std::string_view a, std::string_view b) {
  return fold::compare_with_len(len, string_reader{a}, string_reader{b},
                                fold::compare_le<string_reader>, "compare_le_with_len");
}

std::pair<std::int32_t, std::int32_t> divmod(std::int32_t dividend, std::int32_t m) {
  if (m <= 0) throw std::invalid_argument("m <= 0");
  if (m >= 16348) throw std::invalid_argument("m >= 16348 not supported");
  return divmod_by_reciprocal(dividend, m, divmod_reciprocal(m));
}

std::ptrdiff_t find_uint8_inner(std::ptrdiff_t start, predicate p, std::string_view s) {
  if (start < 0) throw std::out_of_range(detail::negative_start);
  return find_uint8(start, static_cast<std::ptrdiff_t>(s.size()), p, s);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, predicate p, std::string_view s) {
  return find_uint8_inner(start, p, s);
}

std::ptrdiff_t find_uint8(predicate p, std::string_view s) { return find_uint8_inner(0, p, s); }

bool exists_uint8(std::ptrdiff_t start, predicate p, std::string_view s) {
  return detail::found(find_uint8_inner(start, p, s));
}

bool exists_uint8(predicate p, std::string_view s) { return exists_uint8(0, p, s); }

void ascii_of_int32_into(std::ptrdiff_t digits, std::int32_t value, std::span<char> out) {
  if (digits < 0) throw std::invalid_argument("digits < 0");
  check_room(out.size(), static_cast<std::size_t>(digits), "ascii_of_int32_into: output too small");
  constexpr std::int32_t ten = 10;
  constexpr std::int32_t reciprocal = divmod_reciprocal(ten);  // formed at compile time
  char* const dst = out.data();
  std::int32_t x = value;
  for (std::ptrdiff_t i = digits - 1; i >= 0; --i) {
    const auto [q, r] = divmod_by_reciprocal(x, ten, reciprocal);
    dst[i] = static_cast<char>(char_chr(48 | r));
    x = q;
  }
}

std::string ascii_of_int32(std::ptrdiff_t digits, std::int32_t value) {
  const auto n = static_cast<std::size_t>(std::max<std::ptrdiff_t>(digits, 0));
  return written<std::string>(n, '0', [&](char* dst) { ascii_of_int32_into(digits, value, {dst, n}); });
}

void lowercase_ascii_into(std::string_view s, std::span<char> out) {
  check_room(out.size(), s.size(), "lowercase_ascii_into: output too small");
  map_bytes(s, out.data(), lowercase_byte, lanes::lowercase);
}

void uppercase_ascii_into(std::string_view s, std::span<char> out) {
  check_room(out.size(), s.size(), "uppercase_ascii_into: output too small");
  map_bytes(s, out.data(), uppercase_byte, lanes::uppercase);
}

std::string lowercase_ascii(std::string_view s) {
  return written<std::string>(s.size(), '\0', [s](char* dst) { lowercase_ascii_into(s, {dst, s.size()}); });
}

std::string uppercase_ascii(std::string_view s) {
  return written<std::string>(s.size(), '\0', [s](char* dst) { uppercase_ascii_into(s, {dst, s.size()}); });
}

std::string hex_of_bytes(std::span<const std::uint8_t> b) {
  return written<std::string>(2 * b.size(), '\0', [b](char* dst) { encode_hex(b.data(), b.size(), dst); });
}

std::string hex_of_string(std::string_view s) {
  return written<std::string>(2 * s.size(), '\0', [s](char* dst) {
    encode_hex(reinterpret_cast<const unsigned char*>(s.data()), s.size(), dst);
  });
}

void hex_of_bytes_into(std::span<const std::uint8_t> b, std::span<char> out) {
  check_room(out.size(), 2 * b.size(), "hex_of_bytes_into: output too small");
  encode_hex(b.data(), b.size(), out.data());
}

void hex_of_string_into(std::string_view s, std::span<char> out) {
  check_room(out.size(), 2 * s.size(), "hex_of_string_into: output too small");
  encode_hex(reinterpret_cast<const unsigned char*>(s.data()), s.size(), out.data());
}

std::ptrdiff_t bytes_of_hex_into(std::string_view h, std::span<std::uint8_t> out) {
  check_room(out.size(), h.size() / 2, "bytes_of_hex_into: output too small");
  return decode_hex(h, out.data());
}

std::ptrdiff_t string_of_hex_into(std::string_view h, std::span<char> out) {
  check_room(out.size(), h.size() / 2, "string_of_hex_into: output too small");
  return decode_hex(h, reinterpret_cast<unsigned char*>(out.data()));
}

void wipe(std::span<std::byte> s) noexcept {
  if (s.empty()) return;  // memset wants a valid pointer even for no bytes
  std::memset(s.data(), 0, s.size());
  // The stores must happen: the asm may read the memory behind the pointer.
  __asm__ volatile("" : : "r"(s.data()) : "memory");
}

std::pair<std::vector<std::uint8_t>, std::ptrdiff_t> bytes_of_hex(std::string_view h) {
  return decode_hex<std::vector<std::uint8_t>>(h);
}

std::pair<std::string, std::ptrdiff_t> string_of_hex(std::string_view h) {
  return decode_hex<std::string>(h);
}

}  // namespace Zolt
