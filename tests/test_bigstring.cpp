// SPDX-License-Identifier: MIT
// zolt_bigstring against the core: listed cases, randomized agreement, the
// range-tested accessors and the negative start.
#include "agreement.hpp"
#include "zolt_bigstring_internal.hpp"

#include <zolt/zolt_bigstring.hpp>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using namespace agreement;
using Zolt_bigstring::bigstring;

// A heap buffer of exactly the string's bytes, so that AddressSanitizer catches
// any read past either end.
std::vector<std::byte> hold(std::string_view s) {
  std::vector<std::byte> v(s.size());
  if (!s.empty()) std::memcpy(v.data(), s.data(), s.size());
  return v;
}

struct bigstring_front {
  static bool equal(std::string_view a, std::string_view b) { return Zolt_bigstring::equal(hold(a), hold(b)); }
  static P compare_be(std::string_view a, std::string_view b) {
    return Zolt_bigstring::compare_be(hold(a), hold(b));
  }
  static P compare_le(std::string_view a, std::string_view b) {
    return Zolt_bigstring::compare_le(hold(a), hold(b));
  }
  static P compare_be_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_bigstring::compare_be_with_len(len, hold(a), hold(b));
  }
  static P compare_le_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_bigstring::compare_le_with_len(len, hold(a), hold(b));
  }
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_bigstring::find_uint8(*start, p, hold(s)) : Zolt_bigstring::find_uint8(p, hold(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_bigstring::exists_uint8(*start, p, hold(s)) : Zolt_bigstring::exists_uint8(p, hold(s));
  }
};

// The inline searches, given a lambda the compiler can see.
struct inline_front : bigstring_front {
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_bigstring::find_uint8(*start, visible, hold(s)) : Zolt_bigstring::find_uint8(visible, hold(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_bigstring::exists_uint8(*start, visible, hold(s)) : Zolt_bigstring::exists_uint8(visible, hold(s));
  }
};

// The linkable search with a required start, the absent start read as 0.
struct inner_front : bigstring_front {
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return Zolt_bigstring::find_uint8_inner(start.value_or(0), p, hold(s));
  }
};

TEST(Bigstring, ListedCases) { check_cases<bigstring_front>(); }

TEST(Bigstring, InnerSearchListedCases) { check_cases<inner_front>(); }

TEST(Bigstring, InlineSearchListedCases) { check_cases<inline_front>(); }

TEST(Bigstring, AgreesWithCoreOnRandomInputs) {
  Rng g(20260301);
  for (std::size_t n : lengths()) {
    for (int round = 0; round < 24; ++round) {
      const inputs in = random_inputs(g, n);
      SCOPED_TRACE("length " + std::to_string(n) + " round " + std::to_string(round));
      ASSERT_EQ(every_operation<bigstring_front>(in),
                large_buffer_expectation(in, every_operation<core_front>(in)));
    }
  }
}

TEST(Bigstring, IsZeroAgreesWithCore) {
  for (const std::string& s : zero_test_inputs()) {
    EXPECT_EQ(Zolt_bigstring::is_zero(hold(s)), Zolt::is_zero(s)) << testing::PrintToString(s);
  }
}

TEST(Bigstring, GuardedReadThrowsOutsideTheBuffer) {
  const std::vector<std::byte> v = hold(bytes({0, 127, 128, 255}));
  const bigstring s = v;
  EXPECT_EQ(Zolt_bigstring::get(s, 0), 0);
  EXPECT_EQ(Zolt_bigstring::get(s, 2), 128);
  EXPECT_EQ(Zolt_bigstring::get(s, 3), 255);
  for (P i : {P{-1}, P{4}, P{5}, min_int, std::numeric_limits<P>::max()}) {
    SCOPED_TRACE(i);
    EXPECT_THROW((void)Zolt_bigstring::get(s, i), std::out_of_range);
  }
  EXPECT_THROW((void)Zolt_bigstring::get(bigstring{}, 0), std::out_of_range);
}

TEST(Bigstring, SixteenBitReadIsLittleEndianAtAnyOffset) {
  const std::vector<std::byte> v = hold(bytes({0x01, 0x02, 0x03, 0xff}));
  EXPECT_EQ(Zolt_bigstring::get16(v, 0), 0x0201);
  EXPECT_EQ(Zolt_bigstring::get16(v, 1), 0x0302);  // unaligned
  EXPECT_EQ(Zolt_bigstring::get16(v, 2), 0xff03);
}

// A negative start offers every byte, last to first, then throws; on an empty
// buffer it throws before any call. Every search entry point behaves so.
TEST(Bigstring, NegativeStartOffersEveryByteThenThrows) {
  Rng g(7);
  for (std::size_t n : {0u, 1u, 2u, 3u, 8u, 33u}) {
    const std::string s = random_bytes(g, n);
    std::vector<int> downwards;
    for (auto c = s.rbegin(); c != s.rend(); ++c) downwards.push_back(static_cast<unsigned char>(*c));
    for (P start : {P{-1}, P{-2}, min_int}) {
      SCOPED_TRACE("length " + std::to_string(n) + " start " + std::to_string(start));
      const outcome expected = threw(negative_start, downwards);
      EXPECT_EQ(run_search("", [&](Zolt::predicate p) { return Zolt_bigstring::find_uint8(start, p, hold(s)); }),
                expected);
      EXPECT_EQ(run_search("", [&](Zolt::predicate p) { return Zolt_bigstring::find_uint8_inner(start, p, hold(s)); }),
                expected);
      EXPECT_EQ(run_search("", [&](Zolt::predicate p) { return Zolt_bigstring::exists_uint8(start, p, hold(s)); }),
                expected);
      // A match on the way changes nothing: the walk still ends on index -1.
      EXPECT_EQ(run_search(s, [&](Zolt::predicate p) { return Zolt_bigstring::find_uint8(start, p, hold(s)); }),
                expected);
    }
  }
}

TEST(Bigstring, PredicateErrorEndsTheSearch) {
  int calls = 0;
  auto failing = [&](int byte) -> bool {
    ++calls;
    if (byte == 'l') throw std::runtime_error("stop");
    return false;
  };
  EXPECT_THROW((void)Zolt_bigstring::find_uint8(failing, hold("hello")), std::runtime_error);
  EXPECT_EQ(calls, 2);  // 'o', then the last 'l'
}

}  // namespace
