// SPDX-License-Identifier: MIT
// The zero test and the conditional copy and swap: results against plain
// models (a loop, memcpy, std::swap_ranges) at every length and condition, the
// size check that comes before any write, and reads kept inside the buffers.
#include "test_core.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace {

using namespace zolt_test;
using Guard = Fenced::Guard;

// Conditions around every boundary of the mask: zero, one bit, both signs, the extremes.
constexpr P kConditions[] = {0, 1, -1, 2, 256, kMax, kMin, kMin + 1};

std::span<std::byte> writable(std::string& s) { return std::as_writable_bytes(std::span(s)); }
std::span<const std::byte> readable(const std::string& s) { return std::as_bytes(std::span(s)); }

TEST(IsZero, Table) {
  const std::pair<std::string, bool> rows[] = {
      {"", true},
      {bytes({0}), true},
      {std::string(9, '\0'), true},
      {bytes({1}), false},
      {bytes({0x80}), false},
      {bytes({0, 0, 0, 0, 0, 0, 0, 0, 0x01}), false},  // past the first word
      {bytes({0x40, 0, 0, 0, 0, 0, 0, 0, 0}), false},
      {"0", false},  // the character, not the byte
  };
  for (const auto& [s, zero] : rows) EXPECT_EQ(Zolt::is_zero(s), zero) << testing::PrintToString(s);
}

// Every length, all zeros and then a single bit set in each place in turn
// (every place up to 70 bytes, a sample beyond), read inside fenced pages.
TEST(IsZero, SingleBitAnywhereIsSeen) {
  for (std::size_t n : lengths()) {
    const std::string zeros(n, '\0');
    const Fenced fenced(zeros, n % 2 == 0 ? Guard::after : Guard::before);
    ASSERT_TRUE(Zolt::is_zero(fenced.view())) << n;
    const std::size_t stride = n <= 70 ? 1 : n / 37;
    for (std::size_t at = 0; at < n; at += stride) {
      std::string one = zeros;
      one[at] = static_cast<char>(1 << (at % 8));
      const Fenced fenced_one(one, at % 2 == 0 ? Guard::after : Guard::before);
      ASSERT_FALSE(Zolt::is_zero(fenced_one.view())) << n << " at " << at;
    }
  }
}

TEST(CopyIf, MatchesMemcpyOrNothing) {
  Rng g(0xc0b1);
  for (std::size_t n : lengths()) {
    for (P c : kConditions) {
      const std::string before = random_bytes(g, n), src = random_bytes(g, n);
      std::string dst = before;
      Zolt::copy_if(c, writable(dst), readable(src));
      std::string expected = before;
      if (c != 0 && n > 0) std::memcpy(expected.data(), src.data(), n);
      ASSERT_EQ(dst, expected) << "length " << n << " c " << c;
    }
  }
}

TEST(SwapIf, MatchesSwapRangesOrNothing) {
  Rng g(0x5a4b);
  for (std::size_t n : lengths()) {
    for (P c : kConditions) {
      const std::string a0 = random_bytes(g, n), b0 = random_bytes(g, n);
      std::string a = a0, b = b0, ea = a0, eb = b0;
      Zolt::swap_if(c, writable(a), writable(b));
      if (c != 0) std::swap_ranges(ea.begin(), ea.end(), eb.begin());
      ASSERT_EQ(a, ea) << "length " << n << " c " << c;
      ASSERT_EQ(b, eb) << "length " << n << " c " << c;
    }
  }
}

// The same span on both sides stays as it is, whatever the condition.
TEST(CopyAndSwapIf, SameSpanOnBothSides) {
  for (P c : kConditions) {
    std::string s = "0123456789abcdefghij";
    Zolt::copy_if(c, writable(s), readable(s));
    EXPECT_EQ(s, "0123456789abcdefghij");
    Zolt::swap_if(c, writable(s), writable(s));
    EXPECT_EQ(s, "0123456789abcdefghij");
  }
}

// A condition of every integer type, with one bit set, each bit in turn (a
// 64-bit one on a 32-bit target included): copy_if copies and swap_if swaps,
// over a whole word and a last byte; with none set, neither acts.
template <class T>
void expect_every_bit_acts() {
  const std::string a0 = "0123456789", b0 = "abcdefghij";
  for (int k = 0; k < std::numeric_limits<T>::digits + std::is_signed_v<T>; ++k) {
    SCOPED_TRACE(testing::Message() << typeid(T).name() << " bit " << k);
    const auto bit = static_cast<T>(std::uint64_t{1} << k);
    std::string a = a0, b = b0;
    Zolt::copy_if(bit, writable(a), readable(b0));
    EXPECT_EQ(a, b0);
    a = a0;
    Zolt::swap_if(bit, writable(a), writable(b));
    EXPECT_EQ(a, b0);
    EXPECT_EQ(b, a0);
    Zolt::copy_if(T{0}, writable(a), readable(a0));
    Zolt::swap_if(T{0}, writable(a), writable(b));
    EXPECT_EQ(a, b0);
  }
}

TEST(CopyAndSwapIf, EveryBitOfEveryIntegerTypeCounts) {
  std::apply([](auto... type) { (expect_every_bit_acts<decltype(type)>(), ...); },
             std::tuple<bool, char, signed char, unsigned char, char8_t, char16_t, char32_t, wchar_t,
                        short, unsigned short, int, unsigned, long, unsigned long, long long,
                        unsigned long long>{});
}

// Sizes that differ throw before any byte changes.
TEST(CopyAndSwapIf, SizesDifferThrowsAndTouchesNothing) {
  const std::pair<std::size_t, std::size_t> sizes[] = {{0, 1}, {1, 0}, {8, 9}, {17, 16}};
  for (auto [n, m] : sizes) {
    for (P c : {P{0}, P{1}}) {
      std::string a(n, 'a'), b(m, 'b');
      expect_invalid_argument([&] { Zolt::copy_if(c, writable(a), readable(b)); },
                              "copy_if: sizes differ");
      expect_invalid_argument([&] { Zolt::swap_if(c, writable(a), writable(b)); },
                              "swap_if: sizes differ");
      EXPECT_EQ(a, std::string(n, 'a'));
      EXPECT_EQ(b, std::string(m, 'b'));
    }
  }
}

// n copies of fill between open and close.
std::string framed(char open, char fill, std::size_t n, char close) {
  std::string s(n + 2, fill);
  s.front() = open;
  s.back() = close;
  return s;
}

// Spans that are windows of larger buffers: the bytes around them stay.
TEST(CopyAndSwapIf, WindowsLeaveTheirNeighboursAlone) {
  for (std::size_t n : {std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9}, std::size_t{33}}) {
    std::string a = framed('<', 'a', n, '>'), b = framed('[', 'b', n, ']');
    Zolt::copy_if(1, writable(a).subspan(1, n), readable(b).subspan(1, n));
    EXPECT_EQ(a, framed('<', 'b', n, '>'));
    a = framed('<', 'a', n, '>');
    Zolt::swap_if(-1, writable(a).subspan(1, n), writable(b).subspan(1, n));
    EXPECT_EQ(a, framed('<', 'b', n, '>'));
    EXPECT_EQ(b, framed('[', 'a', n, ']'));
  }
}

}  // namespace
