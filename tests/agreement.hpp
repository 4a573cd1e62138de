// SPDX-License-Identifier: MIT
// Checks that a library offering the seven comparison and search operations
// agrees with the core on the same bytes: results, errors and the bytes offered
// to the predicate. A library is seen through a "front": a struct whose static
// functions take the bytes as std::string_view and hand them to the library in
// its own container.
#pragma once

#include <zolt/zolt.hpp>

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace agreement {

using P = std::ptrdiff_t;
inline constexpr P min_int = std::numeric_limits<P>::min();

// mt19937_64's sequence is fixed by the standard; values are cut from it with
// modulo rather than with a distribution, whose output is not portable.
using Rng = std::mt19937_64;
inline std::size_t below(Rng& g, std::size_t n) { return static_cast<std::size_t>(g() % n); }

inline std::string random_bytes(Rng& g, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(g() & 0xFF);
  return s;
}

// A string from byte values, e.g. bytes({255, 0}).
inline std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// What one call did: its result (a bool as 0 or 1), or what it threw, and the
// byte values its predicate was offered, in order.
struct outcome {
  P value = 0;
  std::string error;  // empty when the call returned
  std::vector<int> offered;
  bool operator==(const outcome&) const = default;
};

inline outcome returned(P value, std::vector<int> offered = {}) { return {value, "", std::move(offered)}; }
inline outcome threw(std::string error, std::vector<int> offered = {}) {
  return {0, std::move(error), std::move(offered)};
}

inline void PrintTo(const outcome& o, std::ostream* os) {
  if (o.error.empty()) {
    *os << "returned " << o.value;
  } else {
    *os << "threw " << o.error;
  }
  *os << ", offered {";
  for (int b : o.offered) *os << ' ' << b;
  *os << " }";
}

// Runs f; a std::invalid_argument becomes "invalid_argument: <what>" and a
// std::out_of_range "out_of_range: <what>": the four libraries give the same
// messages.
template <class F>
outcome run(F f) {
  try {
    return returned(static_cast<P>(f()));
  } catch (const std::invalid_argument& e) {
    return threw(std::string("invalid_argument: ") + e.what());
  } catch (const std::out_of_range& e) {
    return threw(std::string("out_of_range: ") + e.what());
  }
}

// Runs a search with a predicate true for the byte values in `matching`,
// recording every value it is offered.
template <class Search>
outcome run_search(std::string_view matching, Search search) {
  std::array<bool, 256> match{};
  for (char c : matching) match[static_cast<unsigned char>(c)] = true;
  std::vector<int> offered;
  auto predicate = [&](int byte) {
    offered.push_back(byte);
    return byte >= 0 && byte < 256 && match[static_cast<std::size_t>(byte)];
  };
  outcome o = run([&] { return search(Zolt::predicate(predicate)); });
  o.offered = std::move(offered);
  return o;
}

// The core itself, the reference.
struct core_front {
  static bool equal(std::string_view a, std::string_view b) { return Zolt::equal(a, b); }
  static P compare_be(std::string_view a, std::string_view b) { return Zolt::compare_be(a, b); }
  static P compare_le(std::string_view a, std::string_view b) { return Zolt::compare_le(a, b); }
  static P compare_be_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt::compare_be_with_len(len, a, b);
  }
  static P compare_le_with_len(P len, std::string_view a, std::string_view b) {
    return Zolt::compare_le_with_len(len, a, b);
  }
  static P find_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt::find_uint8(*start, p, s) : Zolt::find_uint8(p, s);
  }
  static bool exists_uint8(std::optional<P> start, Zolt::predicate p, std::string_view s) {
    return start ? Zolt::exists_uint8(*start, p, s) : Zolt::exists_uint8(p, s);
  }
};

// The arguments of one round of every operation.
struct inputs {
  std::string a, b;
  P len;
  std::optional<P> start;
  std::string matching;  // byte values the predicate is true for
};

// Every operation of a front on the inputs, in interface order.
inline constexpr std::size_t find_position = 5, exists_position = 6;
template <class Front>
std::vector<outcome> every_operation(const inputs& in) {
  return {
      run([&] { return Front::equal(in.a, in.b); }),
      run([&] { return Front::compare_be(in.a, in.b); }),
      run([&] { return Front::compare_be_with_len(in.len, in.a, in.b); }),
      run([&] { return Front::compare_le(in.a, in.b); }),
      run([&] { return Front::compare_le_with_len(in.len, in.a, in.b); }),
      run_search(in.matching, [&](Zolt::predicate p) { return Front::find_uint8(in.start, p, in.a); }),
      run_search(in.matching, [&](Zolt::predicate p) { return Front::exists_uint8(in.start, p, in.a); }),
  };
}

// Random inputs around bytes of length n: b is mostly a of the same length with
// zero to two bytes changed (so that every result value turns up), sometimes
// of another length; len and start range over the valid values and their
// neighbours, start is sometimes absent or negative.
inline inputs random_inputs(Rng& g, std::size_t n) {
  inputs in;
  in.a = random_bytes(g, n);
  if (below(g, 5) == 0) {
    in.b = random_bytes(g, below(g, n + 3));
  } else {
    in.b = in.a;
    for (std::size_t k = below(g, 3); k > 0 && n > 0; --k) {
      in.b[below(g, n)] = static_cast<char>(g() & 0xFF);
    }
  }
  const P sn = static_cast<P>(n);
  const std::array<P, 6> lens{0, sn, static_cast<P>(in.b.size()), sn + 1, sn - 1, -1};
  in.len = lens[below(g, lens.size())];
  switch (below(g, 8)) {
    case 0: in.start = std::nullopt; break;
    case 1: in.start = -1 - static_cast<P>(below(g, 3)); break;
    case 2: in.start = min_int; break;
    default: in.start = static_cast<P>(below(g, n + 3)); break;
  }
  // 0, 1, a few or most byte values match.
  const std::array<std::size_t, 5> counts{0, 1, 4, 40, 250};
  for (std::size_t k = counts[below(g, counts.size())]; k > 0; --k) {
    in.matching.push_back(static_cast<char>(g() & 0xFF));
  }
  return in;
}

// The lengths of the randomized rounds: every length 0..70 (both parities,
// every tail) and a few large ones.
inline std::vector<std::size_t> lengths() {
  std::vector<std::size_t> out;
  for (std::size_t n = 0; n <= 70; ++n) out.push_back(n);
  for (std::size_t n : {255u, 256u, 1000u, 4097u}) out.push_back(n);
  return out;
}

// What the large-buffer search does where it parts from the core's: a negative
// start offers the predicate every byte, from the last to the first, and then
// throws std::out_of_range (the core throws before offering any).
inline const std::string negative_start = "out_of_range: find_uint8: negative start";

inline std::vector<outcome> large_buffer_expectation(const inputs& in, std::vector<outcome> core) {
  if (in.start && *in.start < 0) {
    std::vector<int> every_byte_downwards;
    for (auto c = in.a.rbegin(); c != in.a.rend(); ++c) every_byte_downwards.push_back(static_cast<unsigned char>(*c));
    core[find_position] = threw(negative_start, every_byte_downwards);
    core[exists_position] = threw(negative_start, every_byte_downwards);
  }
  return core;
}

// ---- Cases every library must answer exactly as listed ----

struct compare_case {
  std::string a, b;
  bool equal;
  P be, le;
};

inline std::vector<compare_case> compare_cases() {
  return {
      {"", "", true, 0, 0},
      {"\x01", "\x02", false, -16, -16},
      {"\x02", "\x01", false, 8, 8},
      {"\x05", "\x05", true, 0, 0},
      {"\xff", "\x7f", false, 8, 8},  // bytes are unsigned
      {bytes({16, 32}), bytes({32, 16}), false, -16, 8},
      {bytes({255, 0}), bytes({0, 255}), false, 8, -16},
      {bytes({1, 0, 0}), bytes({0, 0, 1}), false, 8, -16},  // a later difference does not override
      {"abc", "abd", false, -16, -16},
      {"abc", "abc", true, 0, 0},
      {"ab", "ac", false, -16, -16},
      {"abcde", "abcdf", false, -16, -16},  // odd length, last byte differs
      {"abcd", "abcd", true, 0, 0},
      {bytes({1, 2}), bytes({1, 3}), false, -16, -16},
      {bytes({2, 0}), bytes({1, 255}), false, 8, -16},
      {bytes({0, 2}), bytes({255, 1}), false, -16, 8},
      {"\xff", bytes({0, 0}), false, 1, 1},  // the shorter first argument gives 1
      {bytes({0, 0}), "\xff", false, -1, -1},
      {"ab", "abc", false, 1, 1},  // a prefix is not equal
      {"abc", "ab", false, -1, -1},
  };
}

struct with_len_case {
  P len;
  std::string a, b;
  std::optional<P> be, le;  // absent: the call throws its own message
};

inline std::vector<with_len_case> with_len_cases() {
  return {
      {0, "abc", "ab", 0, 0},  // len 0 checks nothing
      {0, "", "", 0, 0},
      {3, "abc", "abd", -16, -16},
      {2, bytes({2, 0}), bytes({1, 255}), 8, -16},
      {2, "abc", "abd", {}, {}},
      {-1, "abc", "abd", {}, {}},
      {3, "abc", "ab", {}, {}},
      {3, "abc", "abcd", {}, {}},
      {1, "", "", {}, {}},
      {min_int, "a", "a", {}, {}},
  };
}

struct search_case {
  std::string s, matching;
  std::optional<P> start;
  P found;
  std::vector<int> offered;
};

inline std::vector<search_case> search_cases() {
  const std::string hello = "hello";
  return {
      {"", "A", {}, -1, {}},
      {"", "A", 0, -1, {}},
      {"ABA", "A", {}, 0, {65, 66, 65}},
      {"ABA", "A", 0, 0, {65, 66, 65}},
      {"ABA", "A", 1, 2, {65, 66}},  // an absolute index, not 1
      {"ABA", "A", 3, -1, {}},
      {"ABA", "A", 4, -1, {}},
      {hello, "l", 0, 2, {111, 108, 108, 101, 104}},
      {hello, "l", 1, 2, {111, 108, 108, 101}},
      {hello, "l", 2, 2, {111, 108, 108}},
      {hello, "l", 3, 3, {111, 108}},
      {hello, "l", 4, -1, {111}},
      {hello, "l", 5, -1, {}},
      {hello, "l", 9, -1, {}},
      {hello, "helo", 2, 2, {111, 108, 108}},  // always true: start itself
      {hello, "", 1, -1, {111, 108, 108, 101}},
      {"\xff", "\xff", {}, 0, {255}},  // 255, never -1
  };
}

// Checks a front against every listed case.
template <class Front>
void check_cases() {
  for (const compare_case& c : compare_cases()) {
    SCOPED_TRACE(::testing::PrintToString(c.a) + " against " + ::testing::PrintToString(c.b));
    EXPECT_EQ(Front::equal(c.a, c.b), c.equal);
    EXPECT_EQ(Front::compare_be(c.a, c.b), c.be);
    EXPECT_EQ(Front::compare_le(c.a, c.b), c.le);
  }
  for (const with_len_case& c : with_len_cases()) {
    SCOPED_TRACE("len " + std::to_string(c.len) + ": " + ::testing::PrintToString(c.a) + " against " +
                 ::testing::PrintToString(c.b));
    EXPECT_EQ(run([&] { return Front::compare_be_with_len(c.len, c.a, c.b); }),
              c.be ? returned(*c.be) : threw("invalid_argument: compare_be_with_len"));
    EXPECT_EQ(run([&] { return Front::compare_le_with_len(c.len, c.a, c.b); }),
              c.le ? returned(*c.le) : threw("invalid_argument: compare_le_with_len"));
  }
  for (const search_case& c : search_cases()) {
    SCOPED_TRACE(::testing::PrintToString(c.s) + " start " +
                 (c.start ? std::to_string(*c.start) : std::string("absent")));
    EXPECT_EQ(run_search(c.matching, [&](Zolt::predicate p) { return Front::find_uint8(c.start, p, c.s); }),
              returned(c.found, c.offered));
    EXPECT_EQ(run_search(c.matching, [&](Zolt::predicate p) { return Front::exists_uint8(c.start, p, c.s); }),
              returned(c.found != -1, c.offered));
  }
}

// Inputs for the zero test: all zeros at lengths around the word and block
// sizes, and the same with one byte set first, in the middle or last.
inline std::vector<std::string> zero_test_inputs() {
  std::vector<std::string> out;
  for (std::size_t n : {0, 1, 2, 7, 8, 9, 31, 64, 65, 200}) {
    const std::string zeros(n, '\0');
    out.push_back(zeros);
    for (std::size_t at : {std::size_t{0}, n / 2, n - 1}) {
      if (at >= n) continue;
      std::string one = zeros;
      one[at] = static_cast<char>(0x80 >> (at % 8));
      out.push_back(one);
    }
  }
  return out;
}

}  // namespace agreement
