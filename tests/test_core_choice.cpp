// SPDX-License-Identifier: MIT
// The typed truth value and what is built on it: the ct_ comparisons and
// ct_select for every integer type of 8 to 64 bits against the built-in
// operators (every pair of 8-bit values, the edges and random values of the
// wider ones), and the lookups, which must give the entry, zeros out of range,
// and read every entry whatever the index.
#include "test_core.hpp"

#include <zolt/zolt.hpp>

#include <array>
#include <climits>

namespace {

using namespace zolt_test;
using Zolt::choice;
using Guard = Fenced::Guard;

constexpr std::uint64_t kAll = ~std::uint64_t{0};

TEST(Choice, OperatorsAndMask) {
  const choice f, t = Zolt::choice::of_bool(true);
  EXPECT_EQ(f.mask(), 0u);
  EXPECT_EQ(t.mask(), kAll);
  EXPECT_EQ(Zolt::choice::of_bool(false).mask(), 0u);
  for (bool a : {false, true}) {
    for (bool b : {false, true}) {
      const choice x = a ? t : f, y = b ? t : f;
      SCOPED_TRACE(testing::Message() << a << " " << b);
      EXPECT_EQ((x & y).declassify(), a && b);
      EXPECT_EQ((x | y).declassify(), a || b);
      EXPECT_EQ((x ^ y).declassify(), a != b);
      EXPECT_EQ((!x).mask(), a ? 0u : kAll);
    }
  }
}

// The fold of a 64-bit difference, also where a 32-bit target splits it.
TEST(Choice, IfZeroSeesEveryBit) {
  EXPECT_TRUE(Zolt::detail::choice_if_zero(0).declassify());
  for (int bit = 0; bit < 64; ++bit) {
    EXPECT_EQ(Zolt::detail::choice_if_zero(std::uint64_t{1} << bit).mask(), 0u) << bit;
  }
  EXPECT_EQ(Zolt::detail::choice_if_zero(kAll).mask(), 0u);
}

template <class T>
class Comparisons : public testing::Test {};
using IntegerTypes = testing::Types<bool, char, signed char, unsigned char, char8_t, short, unsigned short,
                                    char16_t, int, unsigned, char32_t, wchar_t, long, unsigned long,
                                    long long, unsigned long long>;
TYPED_TEST_SUITE(Comparisons, IntegerTypes);

// Every comparison and ct_select on a and b against the operators.
template <class T>
void expect_agreement(T a, T b) {
  const auto row = [&] {
    return testing::Message() << +a << " vs " << +b;  // unary + prints characters as numbers
  };
  const std::pair<choice, bool> results[] = {
      {Zolt::ct_eq(a, b), a == b}, {Zolt::ct_ne(a, b), a != b}, {Zolt::ct_lt(a, b), a < b},
      {Zolt::ct_le(a, b), a <= b}, {Zolt::ct_gt(a, b), a > b},  {Zolt::ct_ge(a, b), a >= b},
  };
  for (std::size_t k = 0; k < std::size(results); ++k) {
    const auto [c, expected] = results[k];
    ASSERT_EQ(c.mask(), expected ? kAll : 0u) << row() << ", comparison " << k;
    ASSERT_EQ(Zolt::ct_select(c, a, b), expected ? a : b) << row() << ", comparison " << k;
  }
}

TYPED_TEST(Comparisons, AgreeWithTheOperators) {
  using T = TypeParam;
  using U = Zolt::detail::unsigned_of_t<T>;
  using L = std::numeric_limits<T>;
  if constexpr (sizeof(T) == 1) {
    for (int x = L::min(); x <= L::max(); ++x) {
      for (int y = L::min(); y <= L::max(); ++y) expect_agreement(static_cast<T>(x), static_cast<T>(y));
    }
  } else {
    // The extremes, around 0, and the bit patterns around each byte's and
    // half-word's boundary, every pair of them.
    std::vector<T> edges{L::min(), static_cast<T>(L::min() + 1), L::max(), static_cast<T>(L::max() - 1),
                         T(0), T(1), static_cast<T>(-1)};
    for (int bit = 7; bit < L::digits; bit += 8) {
      const auto at = static_cast<U>(U{1} << bit);
      for (U v : {at, static_cast<U>(at - 1), static_cast<U>(at + 1), static_cast<U>(at << 1)}) {
        edges.push_back(static_cast<T>(v));
      }
    }
    for (T x : edges) {
      for (T y : edges) expect_agreement(x, y);
    }
    // Random pairs, and pairs that share their high half (the low half decides).
    Rng g(0xc0de + sizeof(T));
    for (int i = 0; i < 20000; ++i) {
      const auto x = static_cast<T>(g()), y = static_cast<T>(g());
      expect_agreement(x, y);
      expect_agreement(x, static_cast<T>(static_cast<U>(x) ^ static_cast<U>(g() & 0xFFFF)));
    }
  }
}

// Every index of tables of several sizes, through a span and through the
// range form, and indices past the end.
// ct_eq and ct_is_zero of byte strings answer as equal and is_zero do, any
// kinds mixed, one flipped bit anywhere seen.
TEST(Choice, ByteStringsAsEqualAndIsZero) {
  for (std::size_t n : {0u, 1u, 7u, 16u, 63u, 64u, 65u, 200u}) {
    const std::vector<std::uint8_t> zeros(n);
    EXPECT_TRUE(Zolt::ct_is_zero(zeros).declassify());
    EXPECT_TRUE(Zolt::ct_eq(zeros, std::string(n, '\0')).declassify());
    EXPECT_FALSE(Zolt::ct_eq(zeros, std::string(n + 1, '\0')).declassify());
    for (std::size_t i = 0; i < n; ++i) {
      std::vector<std::uint8_t> one = zeros;
      one[i] = static_cast<std::uint8_t>(1u << (i % 8));
      EXPECT_FALSE(Zolt::ct_is_zero(one).declassify()) << n << " at " << i;
      EXPECT_FALSE(Zolt::ct_eq(std::span<const std::uint8_t>(one), zeros).declassify()) << n << " at " << i;
    }
  }
}

TEST(Lookup, EntryOrZeros) {
  Rng g(0x100c);
  for (std::size_t n : {0u, 1u, 2u, 7u, 16u, 33u}) {
    std::vector<std::int64_t> wide(n);
    std::vector<std::uint8_t> narrow(n);
    for (std::size_t i = 0; i < n; ++i) {
      wide[i] = static_cast<std::int64_t>(g()) | 1;  // never 0, so a zero means "none"
      narrow[i] = static_cast<std::uint8_t>(g() | 1);
    }
    for (std::size_t index : {std::size_t{0}, n / 2, n - 1, n, n + 1, SIZE_MAX, SIZE_MAX / 2 + 1}) {
      const bool inside = index < n;
      EXPECT_EQ(Zolt::ct_lookup(std::span<const std::int64_t>(wide), index), inside ? wide[index] : 0)
          << n << " at " << index;
      EXPECT_EQ(Zolt::ct_lookup(narrow, index), inside ? narrow[index] : 0) << n << " at " << index;
    }
  }
  const std::array<short, 3> fixed{-1, -2, -3};
  EXPECT_EQ(Zolt::ct_lookup(std::span(fixed), 2), -3);
}

// A table with one more entry in an unreadable page, before the first or after
// the last: looking up the entry at the other end still reads it, and faults.
// (The result goes to a volatile: an unused lookup could be dropped whole.)
volatile std::uint32_t sink;
TEST(Lookup, ReadsEveryEntryWhateverTheIndex) {
  const std::string readable(8 * sizeof(std::uint32_t), '\x5a');
  for (Guard guard : {Guard::after, Guard::before}) {
    const Fenced fenced(readable, guard);
    const auto* first = reinterpret_cast<const std::byte*>(fenced.view().data());
    if (guard == Guard::before) first -= sizeof(std::uint32_t);
    const std::size_t entries = 9, far_end = guard == Guard::after ? 0 : entries - 1;
    const std::span<const std::uint32_t> table(reinterpret_cast<const std::uint32_t*>(first), entries);
    EXPECT_DEATH(sink = Zolt::ct_lookup(table, far_end), "") << "entries";
    std::array<std::byte, sizeof(std::uint32_t)> row{};
    EXPECT_DEATH(Zolt::ct_lookup_row(std::as_bytes(table), row.size(), far_end, row), "") << "rows";
  }
}

std::vector<std::byte> random_table(Rng& g, std::size_t n) {
  std::vector<std::byte> t(n);
  for (std::byte& b : t) b = static_cast<std::byte>(g());
  return t;
}

TEST(LookupRow, RowOrZeros) {
  Rng g(0x7011);
  const std::pair<std::size_t, std::size_t> shapes[] = {{0, 1}, {1, 1}, {3, 7}, {4, 8}, {16, 32}, {5, 9}, {2, 65}};
  for (auto [rows, size] : shapes) {
    const std::vector<std::byte> table = random_table(g, rows * size);
    for (std::size_t index = 0; index <= rows + 1; ++index) {
      std::vector<std::byte> out = random_table(g, size), expected(size);
      if (index < rows) std::copy_n(table.begin() + static_cast<P>(index * size), size, expected.begin());
      Zolt::ct_lookup_row(table, size, index, out);
      EXPECT_EQ(out, expected) << rows << " rows of " << size << ", index " << index;
    }
  }
}

TEST(LookupRow, ShapeAndOverlapErrorsWriteNothing) {
  struct Row {
    std::size_t table_size, row_size, out_size, out_at;  // out_at: offset into the table, or SIZE_MAX
    const char* message;
  };
  const Row rows[] = {
      {16, 0, 0, SIZE_MAX, "ct_lookup_row: bad table shape"},
      {16, 5, 5, SIZE_MAX, "ct_lookup_row: bad table shape"},
      {16, 4, 3, SIZE_MAX, "ct_lookup_row: bad table shape"},
      {16, 4, 8, SIZE_MAX, "ct_lookup_row: bad table shape"},
      {0, 4, 0, SIZE_MAX, "ct_lookup_row: bad table shape"},
      {16, 4, 4, 1, "ct_lookup_row: buffers overlap"},
      {16, 4, 4, 12, "ct_lookup_row: buffers overlap"},
  };
  for (const Row& r : rows) {
    std::vector<std::byte> buffer(32, std::byte{7});
    const auto table = std::span<const std::byte>(buffer).subspan(0, r.table_size);
    const auto out = r.out_at == SIZE_MAX ? std::span(buffer).subspan(16, r.out_size)
                                          : std::span(buffer).subspan(r.out_at, r.out_size);
    expect_invalid_argument([&] { Zolt::ct_lookup_row(table, r.row_size, 0, out); }, r.message);
    EXPECT_EQ(buffer, std::vector<std::byte>(32, std::byte{7})) << r.message;
  }
}

// out may be the table's first row: it becomes the row looked up.
TEST(LookupRow, InPlace) {
  for (std::size_t index = 0; index < 5; ++index) {
    std::vector<std::byte> table(16);
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::byte>(i + 1);
    const std::vector<std::byte> original = table;
    Zolt::ct_lookup_row(table, 4, index, std::span(table).first(4));
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(table[i], index < 4 ? original[4 * index + i] : std::byte{0}) << index;
    }
  }
}

// The choice forms act exactly as the integer forms given 1 or 0.
TEST(CopyAndSwapIf, TakeAChoice) {
  for (bool c : {false, true}) {
    std::string a = "abcdefghij", b = "0123456789";
    Zolt::copy_if(choice::of_bool(c), std::as_writable_bytes(std::span(a)), std::as_bytes(std::span(b)));
    EXPECT_EQ(a, c ? b : "abcdefghij");
    a = "abcdefghij";
    Zolt::swap_if(choice::of_bool(c), std::as_writable_bytes(std::span(a)), std::as_writable_bytes(std::span(b)));
    EXPECT_EQ(a + b, c ? "0123456789abcdefghij" : "abcdefghij0123456789");
  }
  std::string a = "ab", b = "abc";
  expect_invalid_argument([&] {
    Zolt::copy_if(choice(), std::as_writable_bytes(std::span(a)), std::as_bytes(std::span(b)));
  }, "copy_if: sizes differ");
}

}  // namespace
