// SPDX-License-Identifier: MIT
// Counters and sums held in byte strings, in both byte orders, against the
// school-arithmetic model: sizes 0..64, random values, all-0xFF values, carries
// and borrows out of the top byte, in place; and the size and aliasing checks
// that come before any write.
#include "blocks_model.hpp"
#include "test_core.hpp"

#include <zolt/zolt.hpp>

namespace {

using namespace zolt_test;
using blocks_model::bytes;

struct Op {
  const char* name;
  Zolt::choice (*run)(std::span<std::uint8_t>, std::span<const std::uint8_t>);
  bool subtract, big_endian;
};
const Op ops[] = {
    {"add_le", Zolt::add_le, false, false},
    {"add_be", Zolt::add_be, false, true},
    {"sub_le", Zolt::sub_le, true, false},
    {"sub_be", Zolt::sub_be, true, true},
};

std::pair<bytes, bool> model(const Op& op, const bytes& a, const bytes& b) {
  return blocks_model::add(a, b, op.subtract, op.big_endian);
}

// op(a, b) on a copy of a: the bytes it leaves and the carry or borrow.
std::pair<bytes, bool> run(const Op& op, bytes a, const bytes& b) {
  const Zolt::choice carry = op.run(a, b);
  return {a, carry.declassify()};
}

bytes random_number(Rng& g, std::size_t n) {
  bytes v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(g());
  return v;
}

// A few exact results, which hold the model to account too.
TEST(Counters, KnownSums) {
  struct Row {
    std::size_t op;
    bytes a, b, result;
    bool carry;
  };
  const Row rows[] = {
      {0, {0xff, 0xff}, {0x01, 0x00}, {0x00, 0x00}, true},
      {0, {0xfe, 0x01}, {0x03, 0x00}, {0x01, 0x02}, false},
      {1, {0x00, 0xff}, {0x00, 0x01}, {0x01, 0x00}, false},
      {1, {0x80, 0x00}, {0x80, 0x00}, {0x00, 0x00}, true},
      {2, {0x00, 0x00}, {0x01, 0x00}, {0xff, 0xff}, true},
      {2, {0x00, 0x01}, {0x01, 0x00}, {0xff, 0x00}, false},
      {3, {0x01, 0x00}, {0x00, 0x01}, {0x00, 0xff}, false},
      {3, {0x12, 0x34}, {0x12, 0x35}, {0xff, 0xff}, true},
      {0, {}, {}, {}, false},
      {2, {}, {}, {}, false},
  };
  for (const Row& r : rows) {
    const Op& op = ops[r.op];
    EXPECT_EQ(run(op, r.a, r.b), std::pair(r.result, r.carry)) << op.name;
    EXPECT_EQ(model(op, r.a, r.b), std::pair(r.result, r.carry)) << op.name;
  }
}

TEST(Counters, AddAndSubAgreeWithTheModel) {
  Rng g(0xadd5);
  for (std::size_t n = 0; n <= 64; ++n) {
    const bytes ones(n, 0xff), zeros(n, 0), r = random_number(g, n);
    for (const Op& op : ops) {
      const bytes one = blocks_model::one(n, op.big_endian);
      const std::pair<bytes, bytes> pairs[] = {
          {random_number(g, n), random_number(g, n)}, {ones, ones}, {ones, one}, {zeros, one},
          {one, ones}, {r, r}, {zeros, zeros},
      };
      for (const auto& [a, b] : pairs) {
        ASSERT_EQ(run(op, a, b), model(op, a, b)) << op.name << " size " << n;
      }
      // In place: a op= a.
      bytes self = r;
      const bool carry = op.run(self, self).declassify();
      ASSERT_EQ(std::pair(self, carry), model(op, r, r)) << op.name << " in place, size " << n;
    }
  }
}

TEST(Counters, IncrementAgreesWithTheModel) {
  Rng g(0x1c);
  for (std::size_t n = 0; n <= 64; ++n) {
    bytes almost(n, 0xff);
    if (n > 0) almost[n / 2] = 0xfe;
    for (const bytes& v : {random_number(g, n), bytes(n, 0xff), bytes(n, 0), almost}) {
      bytes le = v, be = v;
      Zolt::increment_le(le);
      Zolt::increment_be(be);
      EXPECT_EQ(le, blocks_model::add(v, blocks_model::one(n, false), false, false).first) << n;
      EXPECT_EQ(be, blocks_model::add(v, blocks_model::one(n, true), false, true).first) << n;
    }
  }
}

// Sizes that differ, and b overlapping a other than as the same span: an
// exception, and a keeps its bytes.
TEST(Counters, SizeAndOverlapErrorsWriteNothing) {
  for (const Op& op : ops) {
    bytes buffer(16, 0x55);
    const auto whole = std::span(buffer);
    const std::string name = op.name;
    expect_invalid_argument([&] { (void)op.run(whole.first(4), whole.subspan(8, 5)); }, name + ": sizes differ");
    expect_invalid_argument([&] { (void)op.run(whole.first(0), whole.subspan(8, 1)); }, name + ": sizes differ");
    expect_invalid_argument([&] { (void)op.run(whole.first(8), whole.subspan(1, 8)); }, name + ": buffers overlap");
    expect_invalid_argument([&] { (void)op.run(whole.subspan(4, 8), whole.subspan(0, 8)); },
                            name + ": buffers overlap");
    EXPECT_EQ(buffer, bytes(16, 0x55)) << op.name;
  }
}

}  // namespace
