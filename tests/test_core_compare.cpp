// SPDX-License-Identifier: MIT
// Equality and ordered comparison: the exact result contract, the length checks
// and their messages, the reads they make (and do not make), and a differential
// test against memcmp.
#include "test_core.hpp"
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <cstring>

namespace {

using namespace zolt_test;
using namespace std::string_view_literals;
using Guard = Fenced::Guard;

// The models: memcmp on equal lengths, mapped to the library's -16/0/8.
bool model_equal(std::string_view a, std::string_view b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

P model_compare_be(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) return 1;
  if (a.size() > b.size()) return -1;
  const int c = a.empty() ? 0 : std::memcmp(a.data(), b.data(), a.size());
  return c < 0 ? -16 : c > 0 ? 8 : 0;
}

P model_compare_le(std::string_view a, std::string_view b) {
  return model_compare_be(std::string(a.rbegin(), a.rend()), std::string(b.rbegin(), b.rend()));
}

TEST(Compare, ResultTable) {
  struct Row {
    std::string a, b;
    bool equal;
    P be, le;
  };
  const Row rows[] = {
      {"", "", true, 0, 0},
      {bytes({1}), bytes({2}), false, -16, -16},
      {bytes({2}), bytes({1}), false, 8, 8},
      {bytes({7}), bytes({7}), true, 0, 0},
      {bytes({255}), bytes({127}), false, 8, 8},  // bytes are unsigned
      {bytes({128}), bytes({127}), false, 8, 8},
      {bytes({16, 32}), bytes({32, 16}), false, -16, 8},
      {bytes({255, 0}), bytes({0, 255}), false, 8, -16},
      {bytes({1, 0, 0}), bytes({0, 0, 1}), false, 8, -16},  // a later difference never overrides
      {"abc", "abd", false, -16, -16},
      {"abc", "abc", true, 0, 0},
      {bytes({1, 2}), bytes({1, 3}), false, -16, -16},  // second byte only (one 16-bit word)
      {bytes({2, 1}), bytes({3, 1}), false, -16, -16},
      {bytes({255}), bytes({0, 0}), false, 1, 1},       // shorter first: 1, whatever the bytes
      {bytes({0, 0}), bytes({255}), false, -1, -1},     // longer first: -1
      {"", bytes({0}), false, 1, 1},
      {bytes({0}), "", false, -1, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "a=" << Zolt::hex_of_string(r.a) << " b=" << Zolt::hex_of_string(r.b));
    EXPECT_EQ(Zolt::equal(r.a, r.b), r.equal);
    EXPECT_EQ(Zolt::compare_be(r.a, r.b), r.be);
    EXPECT_EQ(Zolt::compare_le(r.a, r.b), r.le);
  }
}

TEST(Compare, WithLenChecksLengthsWithExactMessages) {
  struct Row {
    P len;
    std::string a, b;
    P be, le;  // ignored when throws
    bool throws;
  };
  const Row rows[] = {
      {0, "abc", "ab", 0, 0, false},  // len 0: 0 for any strings, lengths not compared
      {0, "", "xyz", 0, 0, false},
      {0, "", "", 0, 0, false},
      {3, "abc", "abd", -16, -16, false},
      {2, bytes({16, 32}), bytes({32, 16}), -16, 8, false},
      {2, "abc", "abd", 0, 0, true},  // len below both lengths
      {4, "abc", "abd", 0, 0, true},  // len above both lengths
      {-1, "abc", "abd", 0, 0, true},
      {-1, "", "", 0, 0, true},
      {3, "abc", "ab", 0, 0, true},  // one length matches, the other does not
      {2, "abc", "ab", 0, 0, true},
      {kMin, "a", "a", 0, 0, true},
      {kMax, "a", "a", 0, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "len=" << r.len << " a=" << r.a << " b=" << r.b);
    if (r.throws) {
      expect_invalid_argument([&] { (void)Zolt::compare_be_with_len(r.len, r.a, r.b); }, "compare_be_with_len");
      expect_invalid_argument([&] { (void)Zolt::compare_le_with_len(r.len, r.a, r.b); }, "compare_le_with_len");
    } else {
      EXPECT_EQ(Zolt::compare_be_with_len(r.len, r.a, r.b), r.be);
      EXPECT_EQ(Zolt::compare_le_with_len(r.len, r.a, r.b), r.le);
    }
  }
}

// Unequal lengths, len 0 and a failing length check decide on lengths alone:
// the bytes sit on unreadable pages, so any read would fault.
TEST(Compare, DecisionsOnLengthsReadNoByte) {
  const Fenced a3(bytes({9, 9, 9}), Guard::all), b2(bytes({1, 1}), Guard::all);
  const std::string_view a = a3.view(), b = b2.view();
  EXPECT_FALSE(Zolt::equal(a, b));
  EXPECT_EQ(Zolt::compare_be(a, b), -1);
  EXPECT_EQ(Zolt::compare_le(b, a), 1);
  EXPECT_EQ(Zolt::compare_be_with_len(0, a, b), 0);
  EXPECT_EQ(Zolt::compare_le_with_len(0, a, a), 0);
  expect_invalid_argument([&] { (void)Zolt::compare_be_with_len(3, a, b); }, "compare_be_with_len");
  expect_invalid_argument([&] { (void)Zolt::compare_le_with_len(2, a, a); }, "compare_le_with_len");
  EXPECT_EQ(Zolt::compare_be(0, a, b), 0);  // length-given forms: len 0 reads nothing
  EXPECT_EQ(Zolt::compare_le(0, a, b), 0);
  EXPECT_TRUE(Zolt::equal(0, a, b));
}

// The length-given forms look at the first len bytes only, walking from len - 1
// (not from the end of the string) in the little-endian order.
TEST(Compare, LengthGivenFormsStopAtLen) {
  const std::string a = bytes({1, 2, 9, 0}), b = bytes({1, 3, 0, 0});
  EXPECT_EQ(Zolt::compare_be(2, a, b), -16);
  EXPECT_EQ(Zolt::compare_le(2, a, b), -16);
  EXPECT_EQ(Zolt::compare_be(1, a, b), 0);
  EXPECT_EQ(Zolt::compare_le(1, a, b), 0);
  EXPECT_EQ(Zolt::compare_le(3, a, b), 8);
  EXPECT_TRUE(Zolt::equal(1, a, b));
  EXPECT_FALSE(Zolt::equal(2, a, b));
  EXPECT_TRUE(Zolt::equal(3, "abcX"sv, "abcY"sv));
  EXPECT_FALSE(Zolt::equal(4, "abcX"sv, "abcY"sv));
}

TEST(Compare, ByteReadersAreUnsignedAndLittleEndian) {
  const std::string s = bytes({0x01, 0x02, 0x03, 0xff, 0x80});
  EXPECT_EQ(Zolt::get(s, 0), 1);
  EXPECT_EQ(Zolt::get(s, 3), 255);
  EXPECT_EQ(Zolt::get(s, 4), 128);
  EXPECT_EQ(Zolt::get16(s, 0), 0x0201);
  EXPECT_EQ(Zolt::get16(s, 1), 0x0302);  // any alignment
  EXPECT_EQ(Zolt::get16(s, 3), 0x80ff);
}

// Checks a against b (and b against a) with the models; a lies against an
// unreadable page, so that no read strays outside it.
void check_against_models(std::string_view a, std::string_view b) {
  ASSERT_EQ(Zolt::equal(a, b), model_equal(a, b));
  ASSERT_EQ(Zolt::equal(b, a), model_equal(a, b));
  ASSERT_EQ(Zolt::compare_be(a, b), model_compare_be(a, b));
  ASSERT_EQ(Zolt::compare_le(a, b), model_compare_le(a, b));
  ASSERT_EQ(Zolt::compare_be(b, a), model_compare_be(b, a));
  ASSERT_EQ(Zolt::compare_le(b, a), model_compare_le(b, a));
  if (a.size() == b.size()) {
    const auto len = static_cast<P>(a.size());
    ASSERT_EQ(Zolt::compare_be_with_len(len, a, b), model_compare_be(a, b));
    ASSERT_EQ(Zolt::compare_le_with_len(len, a, b), model_compare_le(a, b));
  }
}

TEST(Compare, MatchesMemcmpModelOnRandomStrings) {
  Rng g(0xc0ffee);
  for (std::size_t n : lengths()) {
    SCOPED_TRACE(testing::Message() << "length " << n);
    const std::string s = random_bytes(g, n);
    for (Guard guard : {Guard::after, Guard::before}) {
      const Fenced fenced(s, guard);
      const std::string_view a = fenced.view();
      check_against_models(a, s);                    // equal
      check_against_models(a, random_bytes(g, n));   // unrelated
      for (int k = 0; k < (n < 100 ? 4 : 1); ++k) {  // differ in exactly one position
        if (n == 0) break;
        std::string b = s;
        const std::size_t at = below(g, n);
        b[at] = static_cast<char>(b[at] ^ static_cast<char>(1 + below(g, 255)));
        check_against_models(a, b);
      }
      if (n > 0) {  // differ in the first or in the last position, with high bytes
        std::string b = s, c = s;
        b.front() = static_cast<char>(b.front() ^ 0x80);
        c.back() = static_cast<char>(c.back() ^ 0x80);
        check_against_models(a, b);
        check_against_models(a, c);
        check_against_models(a, s.substr(1));  // one shorter
      }
      check_against_models(a, s + random_byte(g));  // one longer, same prefix
    }
  }
}

TEST(Compare, WithLenMatchesModelOnRandomLengths) {
  Rng g(0x1e2);
  for (int k = 0; k < 2000; ++k) {
    const std::string a = random_bytes(g, below(g, 8)), b = random_bytes(g, below(g, 8));
    const P candidates[] = {0, static_cast<P>(a.size()), static_cast<P>(b.size()), -1,
                            static_cast<P>(a.size()) + 1};
    const P len = candidates[below(g, 5)];
    const bool valid = len == 0 || (len == static_cast<P>(a.size()) && a.size() == b.size());
    if (valid) {
      EXPECT_EQ(Zolt::compare_be_with_len(len, a, b), len == 0 ? 0 : model_compare_be(a, b));
      EXPECT_EQ(Zolt::compare_le_with_len(len, a, b), len == 0 ? 0 : model_compare_le(a, b));
    } else {
      EXPECT_THROW((void)Zolt::compare_be_with_len(len, a, b), std::invalid_argument);
      EXPECT_THROW((void)Zolt::compare_le_with_len(len, a, b), std::invalid_argument);
    }
  }
}

}  // namespace
