// SPDX-License-Identifier: MIT
// zolt_bytes and zolt_cstruct against the core, and the Cstruct view type.
// Views are windows at random offsets inside larger buffers whose other bytes
// are random too: any read outside the window shows as a disagreement, and the
// predicate's record shows exactly which bytes it was offered.
#include "agreement.hpp"

#include <zolt/cstruct.hpp>
#include <zolt/zolt_bytes.hpp>
#include <zolt/zolt_cstruct.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace agreement;
using namespace std::string_view_literals;

std::vector<std::uint8_t> hold(std::string_view s) { return {s.begin(), s.end()}; }

struct bytes_front {
  static bool equal(std::string_view a, std::string_view b) { return Zolt_bytes::equal(hold(a), hold(b)); }
  static P compare_be(std::string_view a, std::string_view b) { return Zolt_bytes::compare_be(hold(a), hold(b)); }
  static P compare_le(std::string_view a, std::string_view b) { return Zolt_bytes::compare_le(hold(a), hold(b)); }
  static P compare_be_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_bytes::compare_be_with_len(len, hold(a), hold(b));
  }
  static P compare_le_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_bytes::compare_le_with_len(len, hold(a), hold(b));
  }
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_bytes::find_uint8(*start, p, hold(s)) : Zolt_bytes::find_uint8(p, hold(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_bytes::exists_uint8(*start, p, hold(s)) : Zolt_bytes::exists_uint8(p, hold(s));
  }
};

// The inline searches, given a lambda the compiler can see.
struct bytes_inline_front : bytes_front {
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_bytes::find_uint8(*start, visible, hold(s)) : Zolt_bytes::find_uint8(visible, hold(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_bytes::exists_uint8(*start, visible, hold(s)) : Zolt_bytes::exists_uint8(visible, hold(s));
  }
};

// A view holding s, at a random offset inside a larger buffer of random bytes,
// taken as a window of a window.
Cstruct::t window(std::string_view s) {
  static Rng g(99);
  const std::string before = random_bytes(g, below(g, 17));
  const std::string after = random_bytes(g, below(g, 17));
  const Cstruct::t whole = Cstruct::of_string(before + std::string(s) + after);
  const std::size_t cut = below(g, before.size() + 1);
  const Cstruct::t outer = Cstruct::sub(whole, cut, Cstruct::length(whole) - cut);
  return Cstruct::sub(outer, before.size() - cut, s.size());
}

struct cstruct_front {
  static bool equal(std::string_view a, std::string_view b) { return Zolt_cstruct::equal(window(a), window(b)); }
  static P compare_be(std::string_view a, std::string_view b) {
    return Zolt_cstruct::compare_be(window(a), window(b));
  }
  static P compare_le(std::string_view a, std::string_view b) {
    return Zolt_cstruct::compare_le(window(a), window(b));
  }
  static P compare_be_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_cstruct::compare_be_with_len(len, window(a), window(b));
  }
  static P compare_le_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt_cstruct::compare_le_with_len(len, window(a), window(b));
  }
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_cstruct::find_uint8(*start, p, window(s)) : Zolt_cstruct::find_uint8(p, window(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt_cstruct::exists_uint8(*start, p, window(s)) : Zolt_cstruct::exists_uint8(p, window(s));
  }
};

// The inline searches, given a lambda the compiler can see.
struct cstruct_inline_front : cstruct_front {
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_cstruct::find_uint8(*start, visible, window(s)) : Zolt_cstruct::find_uint8(visible, window(s));
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    const auto visible = [p](int c) { return p(c); };
    return start ? Zolt_cstruct::exists_uint8(*start, visible, window(s)) : Zolt_cstruct::exists_uint8(visible, window(s));
  }
};

TEST(Bytes, ListedCases) { check_cases<bytes_front>(); }

TEST(Cstruct, ListedCases) { check_cases<cstruct_front>(); }

TEST(Bytes, InlineSearchListedCases) { check_cases<bytes_inline_front>(); }

TEST(Cstruct, InlineSearchListedCases) { check_cases<cstruct_inline_front>(); }

// The byte adapter is the core over the same memory: same results, same errors,
// the negative start included.
TEST(Bytes, AgreesWithCoreOnRandomInputs) {
  Rng g(20260302);
  for (std::size_t n : lengths()) {
    for (int round = 0; round < 24; ++round) {
      const inputs in = random_inputs(g, n);
      SCOPED_TRACE("length " + std::to_string(n) + " round " + std::to_string(round));
      ASSERT_EQ(every_operation<bytes_front>(in), every_operation<core_front>(in));
    }
  }
}

// The view adapter is the large-buffer library on the window's bytes.
TEST(Cstruct, AgreesWithCoreOnRandomWindows) {
  Rng g(20260303);
  for (std::size_t n : lengths()) {
    for (int round = 0; round < 24; ++round) {
      const inputs in = random_inputs(g, n);
      SCOPED_TRACE("length " + std::to_string(n) + " round " + std::to_string(round));
      ASSERT_EQ(every_operation<cstruct_front>(in),
                large_buffer_expectation(in, every_operation<core_front>(in)));
    }
  }
}

TEST(Bytes, IsZeroAgreesWithCore) {
  for (const std::string& s : zero_test_inputs()) {
    EXPECT_EQ(Zolt_bytes::is_zero(hold(s)), Zolt::is_zero(s)) << testing::PrintToString(s);
  }
}

// Windows between random bytes: only the view's own bytes count.
TEST(Cstruct, IsZeroAgreesWithCore) {
  for (const std::string& s : zero_test_inputs()) {
    EXPECT_EQ(Zolt_cstruct::is_zero(window(s)), Zolt::is_zero(s)) << testing::PrintToString(s);
  }
}

TEST(Cstruct, WindowsOfOneBuffer) {
  const Cstruct::t buffer = Cstruct::of_string("abcabc"sv);
  const Cstruct::t first = Cstruct::sub(buffer, 0, 3), second = Cstruct::sub(buffer, 3, 3);
  EXPECT_TRUE(Zolt_cstruct::equal(first, second));
  EXPECT_EQ(Zolt_cstruct::compare_be(first, second), 0);
  EXPECT_FALSE(Zolt_cstruct::equal(first, buffer));
  EXPECT_EQ(Zolt_cstruct::compare_be(first, buffer), 1);
  EXPECT_EQ(Zolt_cstruct::compare_le(buffer, second), -1);
  EXPECT_TRUE(Zolt_cstruct::equal(Cstruct::t{}, Cstruct::sub(buffer, 6, 0)));

  // The view at offset 2, length 2, of 41 42 43 41: indices count from the view.
  const Cstruct::t abca = Cstruct::sub(Cstruct::of_string("ABCA"sv), 2, 2);
  EXPECT_EQ(run_search("A", [&](Zolt::predicate p) { return Zolt_cstruct::find_uint8(p, abca); }),
            returned(1, {0x41, 0x43}));
  EXPECT_EQ(run_search("A", [&](Zolt::predicate p) { return Zolt_cstruct::find_uint8(2, p, abca); }),
            returned(-1));
  EXPECT_EQ(run_search("A", [&](Zolt::predicate p) { return Zolt_cstruct::find_uint8(-1, p, abca); }),
            threw(negative_start, {0x41, 0x43}));
  EXPECT_EQ(run_search("A", [&](Zolt::predicate p) { return Zolt_cstruct::exists_uint8(-1, p, abca); }),
            threw(negative_start, {0x41, 0x43}));
  EXPECT_EQ(run_search("A", [&](Zolt::predicate p) { return Zolt_cstruct::find_uint8(-1, p, Cstruct::sub(abca, 1, 0)); }),
            threw(negative_start));
}

TEST(CstructView, CreateAndCopy) {
  const Cstruct::t zeros = Cstruct::create(5);
  EXPECT_EQ(Cstruct::length(zeros), 5u);
  for (std::byte b : Cstruct::to_bigarray(zeros)) EXPECT_EQ(b, std::byte{0});
  EXPECT_EQ(Cstruct::length(Cstruct::create(0)), 0u);

  std::string text = "key";
  const Cstruct::t copy = Cstruct::of_string(text);
  text[0] = 'X';
  EXPECT_EQ(Cstruct::to_bigarray(copy)[0], std::byte{'k'});
  EXPECT_EQ(Cstruct::length(Cstruct::t{}), 0u);
  EXPECT_TRUE(Cstruct::to_bigarray(Cstruct::t{}).empty());
}

TEST(CstructView, SubIsAWindowOnTheSameMemory) {
  const Cstruct::t whole = Cstruct::of_string("0123456789"sv);
  const Cstruct::t middle = Cstruct::sub(whole, 2, 6);  // "234567"
  const Cstruct::t inner = Cstruct::sub(middle, 1, 3);  // "345"
  EXPECT_EQ(Cstruct::to_bigarray(inner).data(), Cstruct::to_bigarray(whole).data() + 3);
  EXPECT_EQ(Cstruct::to_bigarray(inner).size(), 3u);
  EXPECT_EQ(Cstruct::to_bigarray(inner)[0], std::byte{'3'});
  EXPECT_EQ(Cstruct::length(Cstruct::sub(middle, 6, 0)), 0u);
}

TEST(CstructView, SubRejectsWindowsThatDoNotFit) {
  const Cstruct::t middle = Cstruct::sub(Cstruct::of_string("0123456789"sv), 2, 6);
  constexpr std::size_t max = std::numeric_limits<std::size_t>::max();
  // (off, len) pairs: past the end, and pairs whose sum wraps around to a small value.
  const std::vector<std::pair<std::size_t, std::size_t>> outside{
      {0, 7}, {6, 1}, {7, 0}, {3, 4}, {max, 2}, {2, max}, {max, max}, {1, max}};
  for (const auto& [off, len] : outside) {
    SCOPED_TRACE(std::to_string(off) + ", " + std::to_string(len));
    EXPECT_THROW((void)Cstruct::sub(middle, off, len), std::invalid_argument);
  }
  EXPECT_THROW((void)Cstruct::sub(Cstruct::t{}, 0, 1), std::invalid_argument);
}

TEST(CstructView, SharesOwnershipOfAHeldBuffer) {
  std::weak_ptr<const std::byte[]> watch;
  Cstruct::t tail;
  {
    auto held = std::make_shared<std::byte[]>(4);
    held[3] = std::byte{0x7f};
    watch = held;
    tail = Cstruct::sub(Cstruct::of_shared(held, 4), 3, 1);
  }
  EXPECT_FALSE(watch.expired());  // the view keeps the buffer alive
  EXPECT_EQ(Cstruct::to_bigarray(tail)[0], std::byte{0x7f});
  tail = Cstruct::t{};
  EXPECT_TRUE(watch.expired());
}

}  // namespace
