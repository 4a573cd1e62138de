// SPDX-License-Identifier: MIT
// 32-bit division and decimal rendering, with the little-endian accessors and
// the helpers beneath them, checked against 64-bit arithmetic and
// std::to_chars.
#include "test_core.hpp"
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <charconv>
#include <vector>

namespace {

using namespace zolt_test;

using I32 = std::int32_t;
using U32 = std::uint32_t;
constexpr I32 kMin32 = std::numeric_limits<I32>::min();
constexpr I32 kMax32 = std::numeric_limits<I32>::max();

I32 pattern(U32 u) { return static_cast<I32>(u); }  // modulo 2^32 in C++20

std::pair<I32, I32> model_divmod(I32 dividend, I32 m) {
  const std::uint64_t x = static_cast<U32>(dividend);
  const auto d = static_cast<std::uint64_t>(m);
  return {pattern(static_cast<U32>(x / d)), pattern(static_cast<U32>(x % d))};
}

const U32 kEdgeDividends[] = {0,          1,          2,          9,          10,
                              0x7ffffffe, 0x7fffffff, 0x80000000, 0x80000001, 0xfffffffe,
                              0xffffffff};

TEST(Divmod, EdgeTable) {
  struct Row {
    I32 dividend, m, quotient, remainder;
  };
  const Row rows[] = {
      {0, 1, 0, 0},
      {0, 10, 0, 0},
      {0, 16347, 0, 0},
      {12345, 10, 1234, 5},
      {7, 10, 0, 7},
      {-1, 10, 429496729, 5},
      {kMin32, 10, 214748364, 8},
      {-1, 1, -1, 0},  // quotient pattern 4294967295
      {kMin32, 1, kMin32, 0},
      {kMax32, 1, kMax32, 0},
      {-1, 16347, 262737, 5556},
      {-1, 4096, 1048575, 4095},
      {16346, 16347, 0, 16346},
      {16347, 16347, 1, 0},
      {kMax32, 16347, 131368, 10951},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.dividend << " / " << r.m);
    EXPECT_EQ(Zolt::divmod(r.dividend, r.m), std::make_pair(r.quotient, r.remainder));
  }
}

TEST(Divmod, DivisorBoundsWithExactMessages) {
  for (I32 m : {I32{0}, I32{-1}, I32{-16347}, kMin32}) {
    SCOPED_TRACE(m);
    expect_invalid_argument([m] { (void)Zolt::divmod(5, m); }, "m <= 0");
  }
  for (I32 m : {I32{16348}, I32{16349}, I32{16384}, kMax32}) {
    SCOPED_TRACE(m);
    expect_invalid_argument([m] { (void)Zolt::divmod(5, m); }, "m >= 16348 not supported");
  }
  EXPECT_NO_THROW((void)Zolt::divmod(-1, 16347));
  EXPECT_NO_THROW((void)Zolt::divmod(-1, 1));
}

// Every divisor, each with the dividends around its own multiples and the ends
// of the unsigned range, plus random ones.
TEST(Divmod, EveryDivisorMatches64BitDivision) {
  Rng g(0xd1f);
  for (I32 m = 1; m <= 16347; ++m) {
    const U32 um = static_cast<U32>(m);
    const U32 top = 0xffffffffu / um * um;  // the largest multiple of m
    std::array<U32, 19> dividends = {um - 1, um, um + 1, 2 * um - 1, 3 * um - 1, top - 1, top, top - um};
    std::copy(std::begin(kEdgeDividends), std::end(kEdgeDividends), dividends.begin() + 8);
    for (U32 x : dividends) {
      ASSERT_EQ(Zolt::divmod(pattern(x), m), model_divmod(pattern(x), m)) << x << " / " << m;
    }
    for (int k = 0; k < 4; ++k) {
      const I32 x = pattern(static_cast<U32>(g()));
      ASSERT_EQ(Zolt::divmod(x, m), model_divmod(x, m)) << x << " / " << m;
    }
  }
}

TEST(Divmod, ManyDividendsForChosenDivisors) {
  Rng g(0xd17);
  for (I32 m : {1, 2, 3, 7, 10, 16, 4096, 8192, 16346, 16347}) {
    for (int k = 0; k < 5000; ++k) {
      const I32 x = pattern(static_cast<U32>(g() >> below(g, 33)));  // small and large
      ASSERT_EQ(Zolt::divmod(x, m), model_divmod(x, m)) << x << " / " << m;
    }
  }
}

TEST(Unsafe, LittleEndianAccessorsAndRangeErrors) {
  std::array<std::uint8_t, 8> buf{};
  Zolt::Unsafe::set_int32_le(buf, 4, 0x01020304);
  EXPECT_EQ(buf, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 4, 3, 2, 1}));
  Zolt::Unsafe::set_int32_le(buf, 0, -2);
  EXPECT_EQ(buf, (std::array<std::uint8_t, 8>{0xfe, 0xff, 0xff, 0xff, 4, 3, 2, 1}));
  EXPECT_EQ(Zolt::Unsafe::get_int64_le(buf, 0), std::int64_t{0x01020304fffffffe});

  const std::array<std::uint8_t, 9> counting = {1, 2, 3, 4, 5, 6, 7, 8, 0x80};
  EXPECT_EQ(Zolt::Unsafe::get_int64_le(counting, 0), std::int64_t{0x0807060504030201});
  EXPECT_EQ(Zolt::Unsafe::get_int64_le(counting, 1), std::numeric_limits<std::int64_t>::min() + 0x08070605040302);

  // Out of range: nothing is written, and the reads refuse.
  const auto before = buf;
  for (P offset : {P{5}, P{8}, P{-1}, kMin, kMax}) {
    SCOPED_TRACE(offset);
    EXPECT_THROW((void)Zolt::Unsafe::set_int32_le(buf, offset, -1), std::out_of_range);
    EXPECT_EQ(buf, before);
  }
  for (P offset : {P{1}, P{2}, P{-1}, kMin, kMax}) {
    SCOPED_TRACE(offset);
    EXPECT_THROW((void)Zolt::Unsafe::get_int64_le(buf, offset), std::out_of_range);
  }
  std::array<std::uint8_t, 3> small{};
  EXPECT_THROW((void)Zolt::Unsafe::set_int32_le(small, 0, 1), std::out_of_range);
  EXPECT_THROW((void)Zolt::Unsafe::get_int64_le(small, 0), std::out_of_range);
  EXPECT_THROW((void)Zolt::Unsafe::get_int64_le(std::span<const std::uint8_t>(), 0), std::out_of_range);
}

TEST(Int32Helpers, OfUint32ReadsThePattern) {
  const std::pair<I32, std::int64_t> rows[] = {
      {-1, 4294967295}, {kMin32, 2147483648}, {5, 5}, {0, 0}, {kMax32, 2147483647}, {-2, 4294967294}};
  for (auto [v, expected] : rows) EXPECT_EQ(Zolt::of_uint32(v), expected) << v;
  Rng g(0x0f);
  for (int k = 0; k < 1000; ++k) {
    const auto u = static_cast<U32>(g());
    ASSERT_EQ(Zolt::of_uint32(pattern(u)), std::int64_t{u});
  }
}

// The reciprocal divmod forms is ceil(2^(32 + l) / m) less its implied bit 32,
// for every divisor.
TEST(Divmod, ReciprocalIsTheCeilingForEveryDivisor) {
  for (U32 m = 1; m <= 16347; ++m) {
    const int l = Zolt::divmod_shift(m);
    ASSERT_LE(m, U32{1} << l) << m;
    ASSERT_GT(2 * m, U32{1} << l) << m;
    const std::uint64_t big = (std::uint64_t{1} << 32) + Zolt::divmod_reciprocal(m);
    const std::uint64_t power = std::uint64_t{1} << (32 + l);
    ASSERT_GE(big * m, power) << m;
    ASSERT_LT((big - 1) * m, power) << m;
  }
}

// std::to_chars of the unsigned value, zero-padded or cut to the last digits.
std::string model_ascii(P digits, I32 value) {
  char buf[16];
  const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<U32>(value)).ptr;
  const std::string text(buf, end);
  const auto width = static_cast<std::size_t>(digits);
  return width >= text.size() ? std::string(width - text.size(), '0') + text
                              : text.substr(text.size() - width);
}

TEST(AsciiOfInt32, EdgeTable) {
  struct Row {
    P digits;
    I32 value;
    std::string text;
  };
  const Row rows[] = {
      {3, 7, "007"},
      {3, 12345, "345"},
      {10, -1, "4294967295"},
      {12, -1, "004294967295"},
      {10, kMax32, "2147483647"},
      {11, kMin32, "02147483648"},
      {2, 100, "00"},
      {2, 99, "99"},
      {0, 0, ""},
      {0, -1, ""},
      {1, 0, "0"},
      {1, 9, "9"},
      {1, -1, "5"},
      {20, 1, "00000000000000000001"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.digits << " digits of " << r.value);
    EXPECT_EQ(Zolt::ascii_of_int32(r.digits, r.value), r.text);
    // Into a buffer with one byte of room to spare, which stays untouched.
    std::string out(r.text.size() + 1, '#');
    EXPECT_EQ(Zolt::ascii_of_int32_into(r.digits, r.value, out), r.text.size());
    EXPECT_EQ(out, r.text + "#");
  }
}

// Too little room is refused before anything is written; the digit count is
// checked first.
TEST(AsciiOfInt32, IntoTooSmallThrowsWithoutWriting) {
  struct Row {
    P digits;
    std::size_t room;
    std::string_view message;
  };
  const Row rows[] = {{1, 0, "ascii_of_int32_into: output too small"},
                      {10, 9, "ascii_of_int32_into: output too small"},
                      {-1, 0, "digits < 0"},
                      {-1, 16, "digits < 0"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.digits << " digits, room " << r.room);
    std::string out(r.room, '#');
    expect_invalid_argument([&] { (void)Zolt::ascii_of_int32_into(r.digits, 7, out); }, r.message);
    EXPECT_EQ(out, std::string(r.room, '#'));
  }
}

TEST(AsciiOfInt32, NegativeDigitsThrow) {
  for (P digits : {P{-1}, P{-2}, kMin}) {
    SCOPED_TRACE(digits);
    expect_invalid_argument([digits] { (void)Zolt::ascii_of_int32(digits, 7); }, "digits < 0");
  }
}

// Around every place where a digit carries: k * 10^j - 1 and k * 10^j, and
// each multiple of 10^8 (the split into the first two and the last eight
// digits) with its neighbours.
TEST(AsciiOfInt32, MatchesToCharsWhereDigitsCarry) {
  std::vector<U32> values;
  for (std::uint64_t power = 1; power <= 1000000000; power *= 10) {
    for (std::uint64_t k = 1; k <= 10 && k * power <= 0xffffffffu; ++k) {
      values.push_back(static_cast<U32>(k * power - 1));
      values.push_back(static_cast<U32>(k * power));
    }
  }
  for (std::uint64_t top = 0; top <= 42; ++top) {
    for (std::uint64_t low : {0, 1, 9999, 10000, 99999999}) {
      if (top * 100000000 + low <= 0xffffffffu) values.push_back(static_cast<U32>(top * 100000000 + low));
    }
  }
  for (U32 u : values) {
    ASSERT_EQ(Zolt::ascii_of_int32(10, pattern(u)), model_ascii(10, pattern(u))) << u;
  }
}

TEST(AsciiOfInt32, MatchesToChars) {
  Rng g(0xa5c11);
  for (P digits = 0; digits <= 12; ++digits) {
    for (U32 u : kEdgeDividends) {
      ASSERT_EQ(Zolt::ascii_of_int32(digits, pattern(u)), model_ascii(digits, pattern(u)));
    }
    for (int k = 0; k < 300; ++k) {
      const I32 value = pattern(static_cast<U32>(g() >> below(g, 33)));
      ASSERT_EQ(Zolt::ascii_of_int32(digits, value), model_ascii(digits, value))
          << digits << " digits of " << value;
    }
  }
}

}  // namespace
