// SPDX-License-Identifier: MIT
// The plain base64 model that the tests, the checker and the fuzzers hold the
// codec to: bits in, six or eight at a time out, with every branch and early
// exit the library avoids.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base64_model {

// A variant: the characters of the values 62 and 63, and '=' padding or none.
struct variant {
  char c62, c63;
  bool padded;
};

inline std::string alphabet(const variant& v) {
  return std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789") + v.c62 + v.c63;
}

inline std::string encode(std::string_view s, const variant& v) {
  const std::string abc = alphabet(v);
  std::string out;
  unsigned bits = 0, count = 0;
  for (unsigned char c : s) {
    bits = (bits << 8) | c;
    for (count += 8; count >= 6; count -= 6) out += abc[(bits >> (count - 6)) & 63];
  }
  if (count > 0) out += abc[(bits << (6 - count)) & 63];
  while (v.padded && out.size() % 4 != 0) out += '=';
  return out;
}

// The bytes of a canonical text; nothing for any other text.
inline std::optional<std::string> decode(std::string_view text, const variant& v) {
  std::size_t pad = 0;
  if (v.padded) {
    if (text.size() % 4 != 0) return std::nullopt;
    while (pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
    if (pad > 2) return std::nullopt;
  }
  const std::string_view body = text.substr(0, text.size() - pad);
  if (body.size() % 4 == 1) return std::nullopt;
  const std::string abc = alphabet(v);
  std::string out;
  unsigned bits = 0, count = 0;
  for (char c : body) {
    const std::size_t value = abc.find(c);
    if (value == std::string::npos) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 255);
    }
  }
  if ((bits & ((1u << count) - 1)) != 0) return std::nullopt;  // unused bits set
  return out;
}

}  // namespace base64_model
