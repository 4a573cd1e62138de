// SPDX-License-Identifier: MIT
// The byte search and Zolt::predicate: results, the predicate's call order and
// count, starts outside the string, and a differential test against a naive scan.
#include "test_core.hpp"
#include "zolt_internal.hpp"

#include <zolt/zolt.hpp>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <type_traits>

namespace {

using namespace zolt_test;
using Guard = Fenced::Guard;

const std::string kHello = "hello";  // 104 101 108 108 111

bool is_l(int c) { return c == 108; }
int is_odd(int c) { return c & 1; }  // an int answer, converted to bool

struct Equals {
  int target;
  bool operator()(int c) const { return c == target; }
};

// Records every byte it is offered and answers from a fixed set.
struct Recorder {
  std::vector<int> calls;
  std::function<bool(int)> answer = [](int) { return false; };
  bool operator()(int c) {
    calls.push_back(c);
    return answer(c);
  }
};

P model_find(P start, const std::function<bool(int)>& p, std::string_view s) {
  for (auto i = static_cast<std::size_t>(start); i < s.size(); ++i) {
    if (p(static_cast<unsigned char>(s[i]))) return static_cast<P>(i);
  }
  return -1;
}

TEST(Search, StartTable) {
  struct Row {
    P start, found;
  };
  const Row rows[] = {{0, 2}, {1, 2}, {2, 2}, {3, 3}, {4, -1}, {5, -1}, {9, -1}, {kMax, -1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.start);
    EXPECT_EQ(Zolt::find_uint8(r.start, is_l, kHello), r.found);
    EXPECT_EQ(Zolt::find_uint8_inner(r.start, is_l, kHello), r.found);
    EXPECT_EQ(Zolt::exists_uint8(r.start, is_l, kHello), r.found != -1);
  }
  EXPECT_EQ(Zolt::find_uint8(is_l, kHello), 2);
  EXPECT_TRUE(Zolt::exists_uint8(is_l, kHello));
  EXPECT_EQ(Zolt::find_uint8([](int) { return false; }, kHello), -1);
  EXPECT_FALSE(Zolt::exists_uint8([](int) { return false; }, kHello));
  EXPECT_EQ(Zolt::find_uint8([](int) { return true; }, kHello), 0);
  EXPECT_EQ(Zolt::find_uint8(4, [](int) { return true; }, kHello), 4);
}

TEST(Search, PredicateCalledOncePerByteInDescendingOrder) {
  for (bool answer : {false, true}) {
    Recorder r;
    r.answer = [answer](int) { return answer; };
    EXPECT_EQ(Zolt::find_uint8(1, r, kHello), answer ? 1 : -1);
    EXPECT_EQ(r.calls, (std::vector<int>{111, 108, 108, 101}));
  }
  Recorder all;
  (void)Zolt::exists_uint8(all, kHello);
  EXPECT_EQ(all.calls, (std::vector<int>{111, 108, 108, 101, 104}));
}

// A start at or past the end yields -1 without a call and without a read; so
// does the empty string.
TEST(Search, StartAtOrPastEndReadsNothing) {
  const Fenced hello(kHello, Guard::all);
  const Fenced empty("", Guard::all);
  for (P start : {P{5}, P{6}, P{9}, kMax}) {
    Recorder r;
    EXPECT_EQ(Zolt::find_uint8(start, r, hello.view()), -1);
    EXPECT_FALSE(Zolt::exists_uint8(start, r, hello.view()));
    EXPECT_EQ(Zolt::find_uint8_inner(start, r, hello.view()), -1);
    EXPECT_TRUE(r.calls.empty()) << start;
  }
  Recorder r;
  EXPECT_EQ(Zolt::find_uint8(r, empty.view()), -1);
  EXPECT_FALSE(Zolt::exists_uint8(r, empty.view()));
  EXPECT_TRUE(r.calls.empty());
}

// A negative start is refused with std::out_of_range before any byte is read
// or offered to the predicate (every byte here is unreadable).
TEST(Search, NegativeStartThrowsOutOfRangeWithoutReading) {
  const Fenced hello(kHello, Guard::all);
  const Fenced empty("", Guard::all);
  for (std::string_view s : {hello.view(), empty.view()}) {
    for (P start : {P{-1}, P{-2}, P{-5}, P{-6}, kMin, kMin + 1}) {
      SCOPED_TRACE(testing::Message() << "start " << start << " length " << s.size());
      Recorder r;
      EXPECT_THROW((void)Zolt::find_uint8(start, r, s), std::out_of_range);
      EXPECT_THROW((void)Zolt::exists_uint8(start, r, s), std::out_of_range);
      EXPECT_THROW((void)Zolt::find_uint8_inner(start, r, s), std::out_of_range);
      EXPECT_TRUE(r.calls.empty());
    }
  }
}

TEST(Search, PredicateSeesUnsignedByteValues) {
  std::string all(256, '\0');
  for (int v = 0; v < 256; ++v) all[static_cast<std::size_t>(v)] = static_cast<char>(v);
  Recorder r;
  EXPECT_EQ(Zolt::find_uint8(r, all), -1);
  ASSERT_EQ(r.calls.size(), 256u);
  for (int k = 0; k < 256; ++k) EXPECT_EQ(r.calls[static_cast<std::size_t>(k)], 255 - k);
  EXPECT_EQ(Zolt::find_uint8([](int c) { return c == 255; }, all), 255);
  EXPECT_EQ(Zolt::find_uint8([](int c) { return c < 0; }, all), -1);
}

TEST(Search, PredicateExceptionReachesCaller) {
  struct Stop {
    int byte;
  };
  int calls = 0;
  const auto thrower = [&calls](int c) -> bool {
    if (++calls == 2) throw Stop{c};
    return false;
  };
  try {
    (void)Zolt::find_uint8(thrower, kHello);
    ADD_FAILURE() << "the predicate's exception was swallowed";
  } catch (const Stop& e) {
    EXPECT_EQ(e.byte, 108);
  }
  EXPECT_EQ(calls, 2);
}

// The general form searches start..end-1 only.
TEST(Search, GeneralFormHonoursEnd) {
  const Zolt::predicate p = is_l;
  EXPECT_EQ(Zolt::find_uint8(0, 3, p, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(0, 2, p, kHello), -1);
  EXPECT_EQ(Zolt::find_uint8(3, 4, p, kHello), 3);
  Recorder r;
  EXPECT_EQ(Zolt::find_uint8(1, 4, r, kHello), -1);
  EXPECT_EQ(r.calls, (std::vector<int>{108, 108, 101}));
  EXPECT_EQ(Zolt::find_uint8(4, 2, r, kHello), -1);  // start past end: no call
  EXPECT_EQ(r.calls.size(), 3u);
}

TEST(Predicate, AcceptsEveryKindOfCallable) {
  int target = 108;  // not a constant, so the lambda really captures it
  const Equals const_functor{108};
  Equals functor{108};
  const auto capturing = [&target](int c) { return c == target; };
  bool (*pointer)(int) = &is_l;
  std::function<bool(int)> wrapped = is_l;
  EXPECT_EQ(Zolt::find_uint8([](int c) { return c == 108; }, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(capturing, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(is_l, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(&is_l, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(pointer, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(const_functor, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(functor, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(Equals{111}, kHello), 4);
  EXPECT_EQ(Zolt::find_uint8(wrapped, kHello), 2);
  EXPECT_EQ(Zolt::find_uint8(is_odd, kHello), 1);  // 101
  EXPECT_EQ(Zolt::find_uint8([](int c) { return c - 104; }, kHello), 1);
}

// A predicate is a small, trivially copyable reference: making one copies and
// allocates nothing, and it sees later changes to the callable it refers to.
TEST(Predicate, IsACheapNonOwningReference) {
  static_assert(std::is_trivially_copyable_v<Zolt::predicate>);
  static_assert(std::is_trivially_destructible_v<Zolt::predicate>);
  static_assert(sizeof(Zolt::predicate) <= 2 * sizeof(void*));
  static_assert(std::is_nothrow_constructible_v<Zolt::predicate, Equals&>);
  static_assert(std::is_convertible_v<bool (*)(int), Zolt::predicate>);
  static_assert(!std::is_constructible_v<Zolt::predicate, int>);
  static_assert(!std::is_constructible_v<Zolt::predicate, void (*)(int)>);

  struct CountsCopies {
    int* copies;
    int target;
    CountsCopies(int* c, int t) : copies(c), target(t) {}
    CountsCopies(const CountsCopies& o) : copies(o.copies), target(o.target) { ++*copies; }
    bool operator()(int c) const { return c == target; }
  };
  int copies = 0;
  CountsCopies f(&copies, 104);
  const Zolt::predicate p = f;
  const Zolt::predicate copy = p;
  EXPECT_EQ(Zolt::find_uint8(copy, kHello), 0);
  f.target = 111;  // the reference sees it
  EXPECT_EQ(Zolt::find_uint8(p, kHello), 4);
  EXPECT_EQ(copies, 0);
}

TEST(Search, MatchesNaiveScanOnRandomStrings) {
  Rng g(0x5ea7c4);
  for (std::size_t n : lengths()) {
    SCOPED_TRACE(testing::Message() << "length " << n);
    // A small alphabet of low and high bytes, so that matches are sometimes
    // absent, sometimes many.
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>((g() & 0x87) | 0x40);
    const Fenced after(s, Guard::after), before(s, Guard::before);
    const int targets[] = {static_cast<int>(g() & 0x87) | 0x40, 0xC7, 0};
    for (int target : std::span(targets, n > 4096 ? 1 : 3)) {
      const auto p = [target](int c) { return c == target; };
      const P starts[] = {0, static_cast<P>(below(g, n + 1)), static_cast<P>(n) - 1,
                          static_cast<P>(n), static_cast<P>(n) + 1};
      for (P start : starts) {
        if (start < 0) continue;
        const P expected = model_find(start, p, s);
        for (std::string_view v : {after.view(), before.view()}) {
          Recorder r;
          r.answer = p;
          ASSERT_EQ(Zolt::find_uint8(start, r, v), expected) << "start " << start;
          ASSERT_EQ(Zolt::exists_uint8(start, p, v), expected != -1);
          // Every byte from the end down to start, once each, whatever matched.
          const std::size_t from = std::min(static_cast<std::size_t>(start), n);
          ASSERT_EQ(r.calls.size(), n - from);
          for (std::size_t k = 0; k < r.calls.size(); ++k) {
            ASSERT_EQ(r.calls[k], static_cast<unsigned char>(s[n - 1 - k]));
          }
        }
      }
    }
  }
}

// The predicate builders answer as plain comparisons do, for every byte value,
// and through a Zolt::predicate too.
TEST(Predicate, BuildersMatchPlainComparisons) {
  using namespace std::string_view_literals;
  const std::string_view sets[] = {""sv, "\0"sv, ",;\xff"sv, "abcdefghijklmnopqrstuvwxyz"sv};
  for (int byte = 0; byte < 256; ++byte) {
    for (int value : {0, 1, 0x41, 0xff}) {
      EXPECT_EQ(Zolt::byte_equal_to(value)(byte), byte == value) << byte << " " << value;
    }
    for (auto [low, high] : {std::pair{0, 0}, {'0', '9'}, {0x80, 0xff}, {5, 4}, {0, 255}}) {
      EXPECT_EQ(Zolt::byte_in_range(low, high)(byte), byte >= low && byte <= high)
          << byte << " in " << low << ".." << high;
    }
    for (std::string_view set : sets) {
      const auto in_set = Zolt::byte_in_set(set);
      const bool expected = set.find(static_cast<char>(byte)) != set.npos;
      EXPECT_EQ(in_set(byte), expected) << byte;
      EXPECT_EQ(Zolt::predicate(in_set)(byte), expected) << byte;
    }
  }
  EXPECT_EQ(Zolt::find_uint8(Zolt::byte_in_set(":="sv), "key=value:x"sv), 3);
  EXPECT_TRUE(Zolt::exists_uint8(Zolt::byte_equal_to(0), "a\0b"sv));
}

// A one-byte value means the byte with its bit pattern, whether the type is
// signed or not: the same byte on every platform.
TEST(Predicate, OneByteValuesMeanTheirBitPattern) {
  using namespace std::string_view_literals;
  const std::string_view s = "a\x80\xff"sv;
  for (const auto& [found, expected] : std::initializer_list<std::pair<P, P>>{
           {Zolt::find_uint8(Zolt::byte_equal_to(char('\xff')), s), 2},
           {Zolt::find_uint8(Zolt::byte_equal_to(static_cast<signed char>(-1)), s), 2},
           {Zolt::find_uint8(Zolt::byte_equal_to(std::byte{0xff}), s), 2},
           {Zolt::find_uint8(Zolt::byte_equal_to(u8'a'), s), 0},
           {Zolt::find_uint8(Zolt::byte_in_range('\x80', '\xff'), s), 1},
           {Zolt::find_uint8(Zolt::byte_in_range(static_cast<unsigned char>(0x81), 0xff), s), 2},
           {Zolt::find_uint8(Zolt::byte_in_range(char('\x81'), char('\x80')), s), -1}}) {
    EXPECT_EQ(found, expected);
  }
  EXPECT_TRUE(Zolt::byte_equal_to(char('\x80'))(0x80));
}

template <class T>
concept builds_equal_to = requires(T v) { Zolt::byte_equal_to(v); };

// A number that is no byte is refused, not turned into a predicate that never
// matches.
TEST(Predicate, BuildersRefuseNumbersThatAreNoByte) {
  for (long long v : {-1LL, 256LL, -256LL, 0x100000000LL + 0x41, static_cast<long long>(kMin)}) {
    SCOPED_TRACE(v);
    expect_invalid_argument([v] { (void)Zolt::byte_equal_to(v); }, "byte_equal_to: not a byte");
    expect_invalid_argument([v] { (void)Zolt::byte_in_range(v, 0x41); }, "byte_in_range: not a byte");
    expect_invalid_argument([v] { (void)Zolt::byte_in_range(0x41, v); }, "byte_in_range: not a byte");
  }
  EXPECT_THROW((void)Zolt::byte_equal_to(256u), std::invalid_argument);
  EXPECT_TRUE(Zolt::byte_equal_to(255u)(255));
  static_assert(builds_equal_to<char> && builds_equal_to<std::byte> && builds_equal_to<long>);
  static_assert(!builds_equal_to<bool> && !builds_equal_to<char32_t> && !builds_equal_to<double>);
}

}  // namespace
