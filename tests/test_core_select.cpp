// SPDX-License-Identifier: MIT
// The branch-free selectors: flags, masks, choices and range selection, at the
// extremes of std::ptrdiff_t whatever its width.
#include "test_core.hpp"
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

namespace {

using namespace zolt_test;

// Values around every boundary the sign-bit formulas care about.
std::vector<P> edge_values() {
  return {0, 1, -1, 2, -2, 255, -255, 256, kMax, kMax - 1, kMin, kMin + 1, kMax / 2, kMin / 2};
}

TEST(Selectors, FlagsAndMasksAtEdges) {
  struct Row {
    P n;
    P minus_one_or_less, one_if_not_zero, zero_if_not_zero;
    bool as_bool;
  };
  const Row rows[] = {
      {0, 0, 0, -1, false},    {1, 0, 1, 0, true},      {-1, 1, 1, 0, true},
      {255, 0, 1, 0, true},    {-255, 1, 1, 0, true},   {kMax, 0, 1, 0, true},
      {kMin, 1, 1, 0, true},   {kMin + 1, 1, 1, 0, true}, {kMax - 1, 0, 1, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.n);
    EXPECT_EQ(Zolt::detail::minus_one_or_less(r.n), r.minus_one_or_less);
    EXPECT_EQ(Zolt::one_if_not_zero(r.n), r.one_if_not_zero);
    EXPECT_EQ(Zolt::zero_if_not_zero(r.n), r.zero_if_not_zero);
    EXPECT_EQ(Zolt::bool_of_int(r.n), r.as_bool);
  }
}

TEST(Selectors, IntOfBoolRoundTrips) {
  EXPECT_EQ(Zolt::int_of_bool(false), 0);
  EXPECT_EQ(Zolt::int_of_bool(true), 1);
  for (bool v : {false, true}) EXPECT_EQ(Zolt::bool_of_int(Zolt::int_of_bool(v)), v);
}

TEST(Selectors, SelectIntPicksAOnlyForZero) {
  const std::pair<P, P> choices[] = {{7, 9}, {kMin, kMax}, {kMax, kMin}, {-1, 0}, {0, -1}};
  for (P c : edge_values()) {
    for (auto [a, b] : choices) {
      SCOPED_TRACE(testing::Message() << "c=" << c << " a=" << a << " b=" << b);
      EXPECT_EQ(Zolt::select_int(c, a, b), c == 0 ? a : b);
      EXPECT_EQ(Zolt::select_int(c, a, a), a);
    }
  }
}

TEST(Selectors, SelectAIfInRangeTable) {
  struct Row {
    P low, high, n, a, b, expected;
  };
  const Row rows[] = {
      {65, 90, 65, 1, 2, 1},          {65, 90, 90, 1, 2, 1},
      {65, 90, 64, 1, 2, 2},          {65, 90, 91, 1, 2, 2},
      {5, 5, 5, 7, 9, 7},             {6, 5, 5, 7, 9, 9},  // empty range
      {0, 255, -1, 7, 9, 9},          {0, 255, 256, 7, 9, 9},
      {kMin, kMax, 1, 7, 9, 9},       // both differences wrap: b, as the formula says
      {kMin, kMin + 10, kMin, 7, 9, 7}, {kMin, kMin + 10, kMin + 11, 7, 9, 9},
      {kMax - 10, kMax, kMax, 7, 9, 7}, {kMax - 10, kMax, kMax - 11, 7, 9, 9},
      {0, kMax, kMax, 7, 9, 7},       {0, kMax, -1, 7, 9, 9},
      {-1, 1, 0, kMin, kMax, kMin},   {-1, 1, 2, kMin, kMax, kMax},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.low << ".." << r.high << " n=" << r.n);
    EXPECT_EQ(Zolt::select_a_if_in_range(r.low, r.high, r.n, r.a, r.b), r.expected);
  }
}

TEST(Selectors, SelectAIfInRangeMatchesModelOnSmallValues) {
  const std::pair<P, P> ranges[] = {{65, 90}, {97, 122}, {48, 57}, {0, 255}, {5, 5}, {6, 5}, {-3, 3}};
  for (auto [low, high] : ranges) {
    for (P n = -300; n <= 300; ++n) {
      EXPECT_EQ(Zolt::select_a_if_in_range(low, high, n, 11, 22), low <= n && n <= high ? 11 : 22)
          << low << ".." << high << " n=" << n;
    }
  }
}

TEST(Selectors, CharChrKeepsTheLowByte) {
  const std::pair<P, int> rows[] = {{0, 0},    {255, 255}, {256, 0}, {-1, 255}, {-255, 1},
                                    {300, 44}, {321, 65},  {kMin, 0}, {kMax, 255}, {kMin + 1, 1}};
  for (auto [n, byte] : rows) EXPECT_EQ(Zolt::char_chr(n), byte) << n;
}

// The comparison step's flags, over every difference two bytes can have.
TEST(Selectors, ComparisonStepFlagsOverByteDifferences) {
  for (P d = -255; d <= 255; ++d) {
    EXPECT_EQ(Zolt::fold::sixteen_if_minus_one_or_less(d), d <= -1 ? 16 : 0) << d;
    EXPECT_EQ(Zolt::fold::eight_if_one_or_more(d), d >= 1 ? 8 : 0) << d;
  }
  EXPECT_EQ(Zolt::fold::sixteen_if_minus_one_or_less(kMin), 16);
  EXPECT_EQ(Zolt::fold::sixteen_if_minus_one_or_less(kMax), 0);
}

}  // namespace
