// SPDX-License-Identifier: MIT
// The hexadecimal codec and the ASCII case mappings: the full digit and
// character tables, the error indicator, the bytes written for bad text, and
// differential tests against naive models and <cctype> in the C locale.
#include "test_core.hpp"
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <cctype>

namespace {

using namespace zolt_test;
using Guard = Fenced::Guard;

constexpr std::string_view kDigits = "0123456789abcdef";

std::string model_hex(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

// 0..15 for a hex digit of either case, -1 for anything else.
int model_nib(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decoded bytes as documented: 16x+y for a valid pair, 0xF0|y for a bad high
// character, 0xFF for a bad low one; indicator 16 for odd length, 240 for any
// bad character.
std::pair<std::string, P> model_decode(std::string_view h) {
  std::string out;
  P indicator = (h.size() % 2 == 1) ? 16 : 0;
  for (std::size_t i = 0; i + 1 < h.size(); i += 2) {
    const int hi = model_nib(static_cast<unsigned char>(h[i]));
    const int lo = model_nib(static_cast<unsigned char>(h[i + 1]));
    if (hi < 0 || lo < 0) indicator = 240;
    out.push_back(static_cast<char>(lo < 0 ? 0xFF : hi < 0 ? 0xF0 | lo : 16 * hi + lo));
  }
  return {out, indicator};
}

std::vector<std::uint8_t> to_vector(std::string_view s) {
  const auto span = as_span(s);
  return {span.begin(), span.end()};
}

std::string all_bytes() {
  std::string s(256, '\0');
  for (int v = 0; v < 256; ++v) s[static_cast<std::size_t>(v)] = static_cast<char>(v);
  return s;
}

TEST(Hex, DigitOfEveryNibble) {
  for (int v = 0; v < 16; ++v) EXPECT_EQ(Zolt::to_hex_nibble(v), kDigits[static_cast<std::size_t>(v)]) << v;
}

TEST(Hex, ValueOfEveryByte) {
  for (int c = 0; c < 256; ++c) {
    const int expected = model_nib(static_cast<unsigned char>(c));
    EXPECT_EQ(Zolt::nib(c), expected < 0 ? 255 : expected) << c;
  }
}

TEST(Hex, EncodeTable) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""},
      {bytes({0x00}), "00"},
      {bytes({0xab, 0x01}), "ab01"},
      {bytes({0x0f, 0xf0}), "0ff0"},
      {"Hi", "4869"},
      {bytes({0xff, 0x80, 0x7f, 0x10, 0xce}), "ff807f10ce"},
  };
  for (const auto& [in, text] : rows) {
    EXPECT_EQ(Zolt::hex_of_string(in), text);
    EXPECT_EQ(Zolt::hex_of_bytes(to_vector(in)), text);
  }
}

TEST(Hex, DecodeTable) {
  struct Row {
    std::string text, decoded;
    P indicator;
  };
  const Row rows[] = {
      {"", "", 0},
      {"0a", bytes({0x0a}), 0},
      {"0A", bytes({0x0a}), 0},
      {"Ab", bytes({0xab}), 0},
      {"00ff7F", bytes({0x00, 0xff, 0x7f}), 0},
      {"0123456789abcdefABCDEF", bytes({0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef, 0xab, 0xcd, 0xef}), 0},
      {"a", "", 16},
      {"abc", bytes({0xab}), 16},
      {"ab!", bytes({0xab}), 16},  // the odd last character is never classified
      {"zz", bytes({0xff}), 240},
      {"z0", bytes({0xf0}), 240},
      {"0z", bytes({0xff}), 240},
      {"g1", bytes({0xf1}), 240},
      {"G1", bytes({0xf1}), 240},
      {"zzz", bytes({0xff}), 240},
      {"0x12", bytes({0xff, 0x12}), 240},
      {" 1", bytes({0xf1}), 240},
      {bytes({'1', 0xc1}), bytes({0xff}), 240},
      {bytes({0xc1, '1'}), bytes({0xf1}), 240},  // 0xC1 is not 'A' with a high bit
      {bytes({0xe1, 0xc6}), bytes({0xff}), 240},
      {bytes({'a', 0}), bytes({0xff}), 240},
      {"/:@G`g", bytes({0xff, 0xff, 0xff}), 240},  // just outside each digit range
      {"0g1", bytes({0xff}), 240},  // odd length and a bad character: 240
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "text \"" << r.text << "\"");
    const auto [vec, e1] = Zolt::bytes_of_hex(r.text);
    const auto [str, e2] = Zolt::string_of_hex(r.text);
    EXPECT_EQ(vec, to_vector(r.decoded));
    EXPECT_EQ(str, r.decoded);
    EXPECT_EQ(e1, r.indicator);
    EXPECT_EQ(e2, r.indicator);
  }
}

// With odd length the last character is never read: here it lies on an
// unreadable page.
TEST(Hex, OddLastCharacterIsNeverRead) {
  for (std::string_view text : {"a", "ab!", "0123456789abcdef0"}) {
    const Fenced fenced(text.substr(0, text.size() - 1), Guard::after);
    const std::string_view h(fenced.view().data(), text.size());
    const auto [decoded, indicator] = Zolt::string_of_hex(h);
    EXPECT_EQ(decoded, model_decode(text).first);
    EXPECT_EQ(indicator, 16);
  }
}

TEST(Hex, RoundTripsAndMatchesModelOnRandomBytes) {
  Rng g(0x4e7);
  for (std::size_t n : lengths()) {
    SCOPED_TRACE(testing::Message() << "length " << n);
    const std::string s = random_bytes(g, n);
    const Fenced in(s, n % 2 == 0 ? Guard::after : Guard::before);
    const std::string text = Zolt::hex_of_string(in.view());
    ASSERT_EQ(text, model_hex(s));
    ASSERT_EQ(Zolt::hex_of_bytes(in.span()), text);
    ASSERT_EQ(Zolt::hex_of_bytes(to_vector(s)), text);

    const Fenced fenced_text(text, n % 2 == 0 ? Guard::before : Guard::after);
    ASSERT_EQ(Zolt::string_of_hex(fenced_text.view()), std::make_pair(s, P{0}));
    ASSERT_EQ(Zolt::bytes_of_hex(fenced_text.view()), std::make_pair(to_vector(s), P{0}));
    std::string upper = model_hex(s);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(Zolt::string_of_hex(upper), std::make_pair(s, P{0}));
  }
}

// Texts of mostly valid digits with the odd bad byte (any of 0..255), of every
// length: decoded bytes and indicator as the model says, bits 3..0 never set.
TEST(Hex, DecodeMatchesModelOnRandomText) {
  constexpr std::string_view kAlphabet = "0123456789abcdefABCDEF";
  Rng g(0xdec0de);
  for (std::size_t n : lengths()) {
    for (int trial = 0; trial < (n < 100 ? 6 : 1); ++trial) {
      std::string h(n, '\0');
      const std::size_t bad_odds = 2 + below(g, 64);
      for (char& c : h) {
        c = below(g, bad_odds) == 0 ? random_byte(g) : kAlphabet[below(g, kAlphabet.size())];
      }
      const auto expected = model_decode(h);
      const auto [vec, e1] = Zolt::bytes_of_hex(h);
      const auto [str, e2] = Zolt::string_of_hex(h);
      ASSERT_EQ(str, expected.first) << "text " << model_hex(h);
      ASSERT_EQ(vec, to_vector(expected.first));
      ASSERT_EQ(e1, expected.second) << "text " << model_hex(h);
      ASSERT_EQ(e2, e1);
      ASSERT_EQ(e1 & 15, 0);
    }
  }
}

// The forms that write into a caller's buffer give the bytes of the returning
// forms, write exactly the result's size and nothing after it, and refuse a
// buffer too small before writing anything.
TEST(Hex, IntoCallerBuffers) {
  Rng g(0x1a70);
  for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 33u, 100u}) {
    SCOPED_TRACE(testing::Message() << "length " << n);
    const std::string s = random_bytes(g, n);
    const std::string text = Zolt::hex_of_string(s);
    const std::vector<std::uint8_t> raw = to_vector(s);

    std::string out(2 * n + 3, '#');
    Zolt::hex_of_string_into(s, out);
    EXPECT_EQ(out, text + "###");
    out.assign(2 * n + 3, '#');
    Zolt::hex_of_bytes_into(raw, out);
    EXPECT_EQ(out, text + "###");

    std::string bytes(n + 2, '#');
    EXPECT_EQ(Zolt::string_of_hex_into(text + "g", bytes), 16);
    EXPECT_EQ(bytes, s + "##");
    std::vector<std::uint8_t> vec(n + 1, 0x23);
    EXPECT_EQ(Zolt::bytes_of_hex_into(text, vec), 0);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(vec.data()), n), s);
    EXPECT_EQ(vec.back(), 0x23);

    if (n == 0) continue;
    std::string small(2 * n - 1, '#');
    std::vector<std::uint8_t> small_vec(n - 1, 0x23);
    expect_invalid_argument([&] { Zolt::hex_of_string_into(s, small); },
                            "hex_of_string_into: output too small");
    expect_invalid_argument([&] { Zolt::hex_of_bytes_into(raw, small); },
                            "hex_of_bytes_into: output too small");
    expect_invalid_argument([&] { (void)Zolt::string_of_hex_into(text, std::span(small).first(n - 1)); },
                            "string_of_hex_into: output too small");
    expect_invalid_argument([&] { (void)Zolt::bytes_of_hex_into(text, small_vec); },
                            "bytes_of_hex_into: output too small");
    EXPECT_EQ(small, std::string(2 * n - 1, '#'));
    EXPECT_EQ(small_vec, std::vector<std::uint8_t>(n - 1, 0x23));
  }
}

// <cctype> in the C locale (the default of a program that never calls
// setlocale); only bytes below 128 may change.
char model_lower(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 128 ? static_cast<char>(std::tolower(u)) : c;
}
char model_upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 128 ? static_cast<char>(std::toupper(u)) : c;
}

std::string map(std::string s, char (*f)(char)) {
  for (char& c : s) c = f(c);
  return s;
}

TEST(Case, Table) {
  const std::string_view rows[][3] = {
      {"Hello, World!", "hello, world!", "HELLO, WORLD!"},
      {"", "", ""},
      {"@AZ[`az{", "@az[`az{", "@AZ[`AZ{"},  // the bytes just outside each range stay
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Zolt::lowercase_ascii(row[0]), row[1]);
    EXPECT_EQ(Zolt::uppercase_ascii(row[0]), row[2]);
  }
}

TEST(Case, EveryByteMatchesCctype) {
  const std::string all = all_bytes();
  EXPECT_EQ(Zolt::lowercase_ascii(all), map(all, model_lower));
  EXPECT_EQ(Zolt::uppercase_ascii(all), map(all, model_upper));
  // The per-byte forms that the decoder shares.
  for (int c = 0; c < 256; ++c) {
    EXPECT_EQ(Zolt::lowercase_byte(c), static_cast<unsigned char>(model_lower(static_cast<char>(c))));
    EXPECT_EQ(Zolt::uppercase_byte(c), static_cast<unsigned char>(model_upper(static_cast<char>(c))));
  }
}

TEST(Case, MatchesCctypeOnRandomStrings) {
  Rng g(0xca5e);
  for (std::size_t n : lengths()) {
    const std::string s = random_bytes(g, n);
    const Fenced fenced(s, n % 2 == 0 ? Guard::after : Guard::before);
    const std::string lower = Zolt::lowercase_ascii(fenced.view());
    const std::string upper = Zolt::uppercase_ascii(fenced.view());
    ASSERT_EQ(lower, map(s, model_lower)) << "length " << n;
    ASSERT_EQ(upper, map(s, model_upper)) << "length " << n;
    ASSERT_EQ(Zolt::uppercase_ascii(lower), upper);
  }
}

}  // namespace
