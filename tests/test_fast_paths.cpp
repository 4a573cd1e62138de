// SPDX-License-Identifier: MIT
// The word-at-a-time paths against the byte-at-a-time definitions they replace:
// every length around the word and block boundaries, a difference at every
// position, every byte value in every lane.
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>
#include <zolt/zolt_bigstring.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using P = std::ptrdiff_t;

// The comparison as the byte fold defines it: the first differing byte in
// walking order decides.
P model_compare(const std::string& a, const std::string& b, bool big_endian) {
  const P n = static_cast<P>(a.size());
  for (P k = 0; k < n; ++k) {
    const std::size_t i = static_cast<std::size_t>(big_endian ? k : n - 1 - k);
    const int x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -16 : 8;
  }
  return 0;
}

Zolt_bigstring::bigstring big(const std::string& s) {
  return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

// Lengths 0..200 cross the 8-byte words and the 64-byte blocks, with and
// without an overlapping last block.
TEST(FastPaths, EqualityAndOrderWithOneDifferenceAtEveryPosition) {
  std::mt19937_64 rng(5);
  for (std::size_t n = 0; n <= 200; ++n) {
    std::string a(n, '\0');
    for (char& c : a) c = static_cast<char>(rng());
    const std::string b = a;
    ASSERT_TRUE(Zolt::equal(a, b)) << n;
    ASSERT_TRUE(Zolt_bigstring::equal(big(a), big(b))) << n;
    ASSERT_EQ(Zolt::compare_be(a, b), 0) << n;
    ASSERT_EQ(Zolt::compare_le(a, b), 0) << n;
    for (std::size_t i = 0; i < n; ++i) {
      // A second difference later in each walk must not change the decision.
      for (const unsigned char flip : {0x01, 0x80, 0xFF}) {
        std::string c = b;
        c[i] = static_cast<char>(c[i] ^ flip);
        c[n - 1 - i] = static_cast<char>(c[n - 1 - i] ^ 0x40);
        ASSERT_FALSE(Zolt::equal(a, c)) << n << " " << i;
        ASSERT_FALSE(Zolt_bigstring::equal(big(a), big(c))) << n << " " << i;
        for (const bool be : {true, false}) {
          const P expected = model_compare(a, c, be);
          ASSERT_EQ(be ? Zolt::compare_be(a, c) : Zolt::compare_le(a, c), expected)
              << n << " " << i << " " << be;
          ASSERT_EQ(be ? Zolt_bigstring::compare_be(big(a), big(c))
                       : Zolt_bigstring::compare_le(big(a), big(c)),
                    expected)
              << n << " " << i << " " << be;
        }
      }
    }
  }
}

// Long inputs: the vector comparison decides by runs of 254 steps of 64
// bytes. A difference at each side of the run and step boundaries, with a
// second one further along each walk.
TEST(FastPaths, OrderAcrossRuns) {
  std::mt19937_64 rng(13);
  for (const std::size_t n : {16256 + 31, 16256 + 32, 16256 + 64 + 5, 2 * 16256 + 100}) {
    std::string a(n, '\0');
    for (char& c : a) c = static_cast<char>(rng());
    ASSERT_EQ(Zolt::compare_be(a, a), 0) << n;
    ASSERT_EQ(Zolt::compare_le(a, a), 0) << n;
    for (const std::size_t at : {std::size_t{0}, std::size_t{63}, std::size_t{64}, std::size_t{16255},
                                 std::size_t{16256}, std::size_t{16319}, std::size_t{16320}, n - 33,
                                 n - 32, n - 1}) {
      if (at >= n) continue;
      for (const std::size_t i : {at, n - 1 - at}) {
        std::string c = a;
        c[i] = static_cast<char>(c[i] ^ 0x80);
        c[n - 1 - i] = static_cast<char>(c[n - 1 - i] ^ 0x01);
        for (const bool be : {true, false}) {
          ASSERT_EQ(be ? Zolt::compare_be(a, c) : Zolt::compare_le(a, c), model_compare(a, c, be))
              << n << " " << i << " " << be;
          ASSERT_EQ(be ? Zolt_bigstring::compare_be(big(a), big(c)) : Zolt_bigstring::compare_le(big(a), big(c)),
                    model_compare(a, c, be))
              << n << " " << i << " " << be;
        }
      }
    }
  }
}

// The block loop starts at a's first 64-byte boundary: every start address
// within a cache line, with a difference at every position.
TEST(FastPaths, EqualityAtEveryAlignment) {
  std::mt19937_64 rng(9);
  std::string buffer(512, '\0');
  for (char& c : buffer) c = static_cast<char>(rng());
  for (std::size_t offset = 0; offset < 64; ++offset) {
    for (const std::size_t n : {64, 65, 127, 128, 129, 200}) {
      const std::string_view a(buffer.data() + offset, n);
      std::string b(a);
      ASSERT_TRUE(Zolt::equal(a, b)) << offset << " " << n;
      for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<char>(b[i] ^ 0x10);
        ASSERT_FALSE(Zolt::equal(a, b)) << offset << " " << n << " " << i;
        const Zolt_bigstring::bigstring big_a{reinterpret_cast<const std::byte*>(a.data()), n};
        ASSERT_FALSE(Zolt_bigstring::equal(big_a, big(b))) << offset << " " << n << " " << i;
        b[i] = a[i];
      }
    }
  }
}

// Each byte value at each lane position and in the per-byte tail, for the
// case mappings and the hex codec: lengths past two vector blocks and an
// overlapping last one (32 bytes mapped, 16 bytes encoded or decoded per step).
TEST(FastPaths, ByteLanesMatchThePerByteArithmetic) {
  for (std::size_t n = 0; n <= 72; ++n) {
    for (std::size_t at = 0; at < n; ++at) {
      for (int v = 0; v < 256; ++v) {
        std::string s(n, 'Q');
        s[at] = static_cast<char>(v);
        const std::string lower = Zolt::lowercase_ascii(s), upper = Zolt::uppercase_ascii(s);
        ASSERT_EQ(static_cast<unsigned char>(lower[at]), Zolt::lowercase_byte(v)) << n << " " << at;
        ASSERT_EQ(static_cast<unsigned char>(upper[at]), Zolt::uppercase_byte(v)) << n << " " << at;
        const std::string hex = Zolt::hex_of_string(s);
        ASSERT_EQ(hex[2 * at], static_cast<char>(Zolt::to_hex_nibble(v >> 4))) << n << " " << at;
        ASSERT_EQ(hex[2 * at + 1], static_cast<char>(Zolt::to_hex_nibble(v & 15))) << n << " " << at;
        // The character v at position `at` of a text of valid digits.
        std::string text(n, '7');
        text[at] = static_cast<char>(v);
        const auto [bytes, error] = Zolt::string_of_hex(text);
        P model_error = static_cast<P>(n & 1) << 4;
        for (std::size_t k = 0; k < n / 2; ++k) {
          const P hi = Zolt::nib(static_cast<unsigned char>(text[2 * k]));
          const P lo = Zolt::nib(static_cast<unsigned char>(text[2 * k + 1]));
          model_error |= hi | lo;
          ASSERT_EQ(static_cast<unsigned char>(bytes[k]), Zolt::char_chr((hi << 4) | lo)) << n << " " << at;
        }
        ASSERT_EQ(error, model_error & ~P{15}) << n << " " << at << " " << v;
      }
    }
  }
}

// The inline search templates take the same walk as the exported entry points.
TEST(FastPaths, InlineSearchMatchesTheExportedOne) {
  const std::string s = "hello, world";
  for (const int wanted : {'l', 'h', 'd', 'z'}) {
    for (const P start : {0, 1, 3, 11, 12, 20}) {
      std::vector<int> inline_calls, exported_calls;
      const auto inline_p = [&](int c) { inline_calls.push_back(c); return c == wanted; };
      const auto exported_p = [&](int c) { exported_calls.push_back(c); return c == wanted; };
      EXPECT_EQ(Zolt::find_uint8(start, inline_p, s),
                Zolt::find_uint8(start, Zolt::predicate(exported_p), s));
      EXPECT_EQ(inline_calls, exported_calls);
      EXPECT_EQ(Zolt::exists_uint8(start, inline_p, s),
                Zolt::exists_uint8(start, Zolt::predicate(exported_p), s));
    }
  }
  EXPECT_THROW((void)Zolt::find_uint8(-1, [](int) { return true; }, s), std::out_of_range);
}

// The builders' searches, 32 or 8 bytes per step, against the byte-by-byte
// walk of the same predicate: every length 0..300 at every alignment within
// 32 bytes, each start, matches placed at random among filler bytes (the
// class edges included), in both libraries.
TEST(FastPaths, BuilderSearchesMatchTheByteWalk) {
  using namespace std::string_view_literals;
  const auto equal_nul = Zolt::byte_equal_to(0), equal_ff = Zolt::byte_equal_to(0xff);
  const auto high = Zolt::byte_in_range(0x80, 0xff), digit = Zolt::byte_in_range('0', '9');
  const auto none = Zolt::byte_in_range(5, 4), all = Zolt::byte_in_range(0, 255);
  const auto set = Zolt::byte_in_set(",;\xff"sv), empty_set = Zolt::byte_in_set(""sv);
  const unsigned char edges[] = {0x00, 0x01, 0x2f, 0x30, 0x39, 0x3a, 0x7f, 0x80, 0xfe, 0xff, ',', ';'};
  std::mt19937_64 rng(31);
  std::string buffer(300 + 32, ' ');
  for (std::size_t n = 0; n <= 300; ++n) {
    for (std::size_t offset = 0; offset < 32; ++offset) {
      for (char& c : buffer) c = rng() % 24 == 0 ? static_cast<char>(edges[rng() % sizeof edges]) : ' ';
      const std::string_view s(buffer.data() + offset, n);
      const Zolt_bigstring::bigstring big_s{reinterpret_cast<const std::byte*>(s.data()), n};
      const P starts[] = {0, static_cast<P>(rng() % (n + 1)), static_cast<P>(n) - 1, static_cast<P>(n)};
      for (const P start : starts) {
        if (start < 0) continue;
        const auto check = [&](const auto& p) {
          const P expected = Zolt::find_uint8(start, Zolt::predicate(p), s);
          ASSERT_EQ(Zolt::find_uint8(start, p, s), expected) << n << " " << offset << " " << start;
          ASSERT_EQ(Zolt_bigstring::find_uint8(start, p, big_s), expected) << n << " " << offset;
        };
        check(equal_nul), check(equal_ff), check(high), check(digit);
        check(none), check(all), check(set), check(empty_set);
      }
    }
  }
}

}  // namespace
