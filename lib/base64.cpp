// SPDX-License-Identifier: MIT
#include "base64.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Zolt {

namespace {

using base64::alphabet;
using lanes::word;

// The bytes p[0..7] with p[0] most significant.
word load_be(const void* p) noexcept { return __builtin_bswap64(lanes::load(p)); }

// The first count (up to six) of the bytes of the 48-bit value x, the most
// significant first.
void store_be48(unsigned char* p, word x, std::size_t count = 6) noexcept {
  for (std::size_t j = 0; j < count; ++j) p[j] = char_chr(static_cast<std::ptrdiff_t>(x >> (40 - 8 * j)));
}

alphabet alphabet_or_throw(base64_variant v) {
  const auto a = base64::alphabet_of(v);
  if (!a) throw std::invalid_argument("base64: unknown variant");
  return *a;
}

// The text of n bytes into out (base64_encoded_size(n) characters): six bytes
// per word while eight can be loaded, then the last bytes, up to six per word,
// read one by one; then the padding.
void encode(const unsigned char* in, std::size_t n, char* out, const alphabet& a) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  std::size_t k = 0, o = 0;
  for (; k + 8 <= n; k += 6, o += 8) {
    lanes::store(out + o, base64::chars(base64::spread(load_be(in + k) >> 16), a));
  }
  for (; k < n; k += 6) {
    const std::size_t r = std::min<std::size_t>(6, n - k);
    word x = 0;
    for (std::size_t i = 0; i < r; ++i) x |= word{in[k + i]} << (40 - 8 * i);
    const word c = base64::chars(base64::spread(x), a);
    const std::size_t count = (4 * r + 2) / 3;  // 2 characters for 1 byte, 3 for 2, 4 for 3
    for (std::size_t j = 0; j < count; ++j) out[o + j] = static_cast<char>(char_chr(static_cast<std::ptrdiff_t>(c >> (8 * j))));
    o += count;
  }
  if (a.padded) {
    for (; o % 4 != 0; ++o) out[o] = '=';
  }
}

// What the length and the trailing '=' of a text say, before any other
// character is read: the characters to decode, the decoded length, and
// whether the length alone makes the text malformed.
struct shape {
  std::string_view body;
  std::size_t length;
  bool bad_length;
};

shape shape_of(std::string_view text, const alphabet& a) noexcept {
  const std::string_view body = text.substr(0, text.size() - base64::padding(text, a));
  return {body, base64_decoded_max_size(body.size()),
          a.padded ? text.size() % 4 != 0 : body.size() % 4 == 1};
}

// Decodes the body into dst (s.length bytes) and returns the indicator, 0 or
// 1. Eight characters per word, then the last ones in a word whose missing
// lanes hold 'A' (value 0). Writes the bytes straight into dst, so no copy of
// them is left in this frame beyond the registers.
std::ptrdiff_t decode(const shape& s, const alphabet& a, unsigned char* dst) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  const std::string_view body = s.body;
  word bad = 0;
  std::size_t i = 0, o = 0;
  for (; i + 8 <= body.size(); i += 8, o += 6) {
    store_be48(dst + o, base64::pack(base64::values(lanes::load(body.data() + i), a, bad)));
  }
  const std::size_t r = body.size() - i;
  if (r > 0) {
    word c = lanes::ones * 'A';
    for (std::size_t j = 0; j < r; ++j) {
      c = (c & ~(word{0xFF} << (8 * j))) | (word{static_cast<unsigned char>(body[i + j])} << (8 * j));
    }
    const word x = base64::pack(base64::values(c, a, bad));
    const std::size_t count = r * 3 / 4;
    store_be48(dst + o, x, count);
    // The bits after the last whole byte, from the last character: zero in a
    // canonical text.
    bad |= x & ((word{1} << (48 - 8 * count)) - 1);
  }
  return one_if_not_zero(lanes::or_lanes(bad) | static_cast<std::ptrdiff_t>(s.bad_length));
}

std::pair<std::ptrdiff_t, std::size_t> decode_into(std::string_view text, unsigned char* out,
                                                   std::size_t room, base64_variant v,
                                                   const char* too_small) {
  const auto a = base64::alphabet_of(v);
  if (!a) return {1, 0};
  const shape s = shape_of(text, *a);
  check_room(room, s.length, too_small);
  return {decode(s, *a, out), s.length};
}

std::string encode(const unsigned char* in, std::size_t n, base64_variant v) {
  const alphabet a = alphabet_or_throw(v);
  return written<std::string>(base64_encoded_size(n, v), '\0',
                              [&](char* dst) { encode(in, n, dst, a); });
}

void encode_into(const unsigned char* in, std::size_t n, byte_span out, base64_variant v,
                 const char* too_small) {
  const alphabet a = alphabet_or_throw(v);
  check_room(out.size(), base64_encoded_size(n, v), too_small);
  encode(in, n, chars_of(out), a);
}

}  // namespace

std::string base64_of_string(byte_view s, base64_variant v) { return encode(s.data(), s.size(), v); }

std::string base64_of_bytes(byte_view b, base64_variant v) { return encode(b.data(), b.size(), v); }

// The exact decoded length is known before any character is decoded.
std::pair<std::string, std::ptrdiff_t> string_of_base64(byte_view text, base64_variant v) {
  const auto a = base64::alphabet_of(v);
  if (!a) return {std::string(), 1};
  const shape s = shape_of(text.chars(), *a);
  return detail::decoded<std::string>(s.length, [&](byte_span out) { return decode(s, *a, out.data()); });
}

void base64_of_bytes_into(byte_view b, byte_span out, base64_variant v) {
  encode_into(b.data(), b.size(), out, v, "base64_of_bytes_into: output too small");
}

void base64_of_string_into(byte_view s, byte_span out, base64_variant v) {
  encode_into(s.data(), s.size(), out, v, "base64_of_string_into: output too small");
}

std::pair<std::ptrdiff_t, std::size_t> bytes_of_base64_into(byte_view text, byte_span out,
                                                            base64_variant v) {
  return decode_into(text.chars(), out.data(), out.size(), v, "bytes_of_base64_into: output too small");
}

std::pair<std::ptrdiff_t, std::size_t> string_of_base64_into(byte_view text, byte_span out,
                                                             base64_variant v) {
  return decode_into(text.chars(), out.data(), out.size(), v, "string_of_base64_into: output too small");
}

}  // namespace Zolt
