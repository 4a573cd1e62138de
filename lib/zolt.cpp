#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <stdexcept>
#include <string>
#include <vector>

namespace Zolt {

namespace {

// Hex text of n bytes into out (2n characters), ascending, each byte read twice.
void encode_hex(const unsigned char* in, std::size_t n, char* out) noexcept {
  for (std::size_t i = 0; i < 2 * n; ++i) {
    const unsigned c = in[i >> 1];
    const unsigned shift = 4 * ((~i) & 1);  // high nibble first
    out[i] = static_cast<char>(to_hex_nibble((c >> shift) & 15));
  }
}

// Decodes h into a new Out (std::string or std::vector<std::uint8_t>) and the
// error indicator; every character pair is visited whatever it holds.
template <class Out>
std::pair<Out, std::ptrdiff_t> decode_hex(std::string_view h) {
  const std::size_t n = h.size();
  std::ptrdiff_t error = static_cast<std::ptrdiff_t>(n & 1) << 4;
  Out out(n >> 1, 0);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::ptrdiff_t hi = nib(get(h, static_cast<std::ptrdiff_t>(2 * i)));
    const std::ptrdiff_t lo = nib(get(h, static_cast<std::ptrdiff_t>(2 * i + 1)));
    error |= hi | lo;
    out[i] = static_cast<typename Out::value_type>(char_chr((hi << 4) | lo));
  }
  return {std::move(out), error & ~std::ptrdiff_t{15}};
}

template <class Map>
std::string map_bytes(std::string_view s, Map map) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) {
    out[i] = static_cast<char>(map(get(s, static_cast<std::ptrdiff_t>(i))));
  }
  return out;
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
  if (start < 0) throw std::out_of_range("find_uint8: negative start");
  return find_uint8(start, static_cast<std::ptrdiff_t>(s.size()), p, s);
}

std::ptrdiff_t find_uint8(std::ptrdiff_t start, predicate p, std::string_view s) {
  return find_uint8_inner(start, p, s);
}

std::ptrdiff_t find_uint8(predicate p, std::string_view s) { return find_uint8_inner(0, p, s); }

bool exists_uint8(std::ptrdiff_t start, predicate p, std::string_view s) {
  return fold::exists_of_index(find_uint8_inner(start, p, s));
}

bool exists_uint8(predicate p, std::string_view s) { return exists_uint8(0, p, s); }

std::string ascii_of_int32(std::ptrdiff_t digits, std::int32_t value) {
  if (digits < 0) throw std::invalid_argument("digits < 0");
  constexpr std::int32_t ten = 10;
  constexpr std::int32_t reciprocal = divmod_reciprocal(ten);  // formed at compile time
  std::string out(static_cast<std::size_t>(digits), '0');
  std::int32_t x = value;
  for (std::ptrdiff_t i = digits - 1; i >= 0; --i) {
    const auto [q, r] = divmod_by_reciprocal(x, ten, reciprocal);
    out[static_cast<std::size_t>(i)] = static_cast<char>(char_chr(48 | r));
    x = q;
  }
  return out;
}

std::string lowercase_ascii(std::string_view s) { return map_bytes(s, lowercase_byte); }

std::string uppercase_ascii(std::string_view s) { return map_bytes(s, uppercase_byte); }

std::string hex_of_bytes(std::span<const std::uint8_t> b) {
  std::string out(2 * b.size(), '\0');
  encode_hex(b.data(), b.size(), out.data());
  return out;
}

std::string hex_of_string(std::string_view s) {
  std::string out(2 * s.size(), '\0');
  encode_hex(reinterpret_cast<const unsigned char*>(s.data()), s.size(), out.data());
  return out;
}

std::pair<std::vector<std::uint8_t>, std::ptrdiff_t> bytes_of_hex(std::string_view h) {
  return decode_hex<std::vector<std::uint8_t>>(h);
}

std::pair<std::string, std::ptrdiff_t> string_of_hex(std::string_view h) {
  return decode_hex<std::string>(h);
}

}  // namespace Zolt
