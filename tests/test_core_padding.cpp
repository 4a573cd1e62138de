// SPDX-License-Identifier: MIT
// Block padding, ISO/IEC 7816-4 and PKCS#7: round trips for every message
// length 0..300 and every block size 1..64 (PKCS#7 up to 255) against the
// plain model, every class of malformed padding, the buffer and block size
// errors, and the bytes around the padding left as they were.
#include "blocks_model.hpp"
#include "test_core.hpp"

#include <zolt/zolt.hpp>

namespace {

using namespace zolt_test;
using blocks_model::bytes;
using blocks_model::padding;

struct Kind {
  padding kind;
  std::size_t (*pad)(std::span<std::uint8_t>, std::size_t, std::size_t);
  std::pair<std::size_t, Zolt::choice> (*unpad)(std::span<const std::uint8_t>, std::size_t);
  std::size_t largest_block;
};
const Kind kinds[] = {
    {padding::iso7816, Zolt::pad_iso7816, Zolt::unpad_iso7816, 64},
    {padding::pkcs7, Zolt::pad_pkcs7, Zolt::unpad_pkcs7, 255},
};

// The block sizes the round trips use: every one to 64, then a few to the largest.
std::vector<std::size_t> block_sizes(const Kind& k) {
  std::vector<std::size_t> sizes;
  for (std::size_t b = 1; b <= 64; ++b) sizes.push_back(b);
  for (std::size_t b : {100u, 128u, 255u}) {
    if (b <= k.largest_block) sizes.push_back(b);
  }
  return sizes;
}

// The buffer after padding a message of len bytes in place, bytes past the
// padded length left alone; unpadding the padded part gives len back.
TEST(Padding, RoundTripsAgreeWithTheModel) {
  Rng g(0x9ad);
  const bytes message = [&] {
    bytes m(300);
    for (auto& b : m) b = static_cast<std::uint8_t>(g());
    return m;
  }();
  for (const Kind& k : kinds) {
    for (std::size_t block : block_sizes(k)) {
      for (std::size_t len = 0; len <= 300; ++len) {
        const bytes expected = blocks_model::pad(bytes(message.begin(), message.begin() + static_cast<P>(len)),
                                                 block, k.kind);
        bytes buf(message.begin(), message.begin() + static_cast<P>(len));
        buf.resize(expected.size() + len % 3, 0xA5);  // no room to spare, or a little
        const std::size_t padded = k.pad(buf, len, block);
        ASSERT_EQ(padded, expected.size()) << block << " " << len;
        ASSERT_TRUE(std::equal(expected.begin(), expected.end(), buf.begin())) << block << " " << len;
        ASSERT_EQ(bytes(buf.begin() + static_cast<P>(padded), buf.end()), bytes(len % 3, 0xA5));
        const auto [unpadded, valid] = k.unpad(std::span(buf).first(padded), block);
        ASSERT_TRUE(valid.declassify()) << block << " " << len;
        ASSERT_EQ(unpadded, len) << block << " " << len;
      }
    }
  }
}

bytes repeated(std::size_t n, std::uint8_t b, bytes tail) {
  bytes v(n, b);
  v.insert(v.end(), tail.begin(), tail.end());
  return v;
}

// Each class of malformed padding: not valid, length 0, and the model agrees.
TEST(Padding, MalformedIsInvalidWithLengthZero) {
  struct Row {
    const char* what;
    padding kind;
    std::size_t block;
    bytes padded;
  };
  const Row rows[] = {
      {"empty", padding::iso7816, 8, {}},
      {"wrong marker", padding::iso7816, 4, {1, 2, 3, 0x81}},
      {"wrong marker before zeros", padding::iso7816, 4, {1, 2, 0x01, 0}},
      {"nonzero filler", padding::iso7816, 4, {1, 0x80, 0, 7}},
      {"marker outside the last block", padding::iso7816, 4, {1, 2, 3, 0x80, 0, 0, 0, 0}},
      {"no marker at all", padding::iso7816, 4, {0, 0, 0, 0}},
      {"size not a multiple of the block", padding::iso7816, 4, {1, 2, 0x80, 0, 5, 0x80}},
      {"size below the block", padding::iso7816, 8, {1, 0x80}},
      {"empty", padding::pkcs7, 8, {}},
      {"value 0", padding::pkcs7, 4, {1, 2, 3, 0}},
      {"value above the block size", padding::pkcs7, 4, repeated(8, 5, {})},
      {"value 255 in a block of 16", padding::pkcs7, 16, repeated(16, 255, {})},
      {"inconsistent filler, first byte", padding::pkcs7, 8, {9, 9, 9, 4, 3, 4, 4, 4}},
      {"inconsistent filler, middle byte", padding::pkcs7, 8, {9, 9, 9, 4, 4, 0, 4, 4}},
      {"inconsistent filler, whole block", padding::pkcs7, 8, repeated(7, 8, {7, 8})},
      {"size not a multiple of the block", padding::pkcs7, 4, {1, 2, 3, 1, 1}},
      {"size below the block", padding::pkcs7, 8, {1, 1}},
  };
  for (const Row& r : rows) {
    const Kind& k = kinds[r.kind == padding::pkcs7];
    const auto [len, valid] = k.unpad(r.padded, r.block);
    EXPECT_FALSE(valid.declassify()) << r.what;
    EXPECT_EQ(len, 0u) << r.what;
    EXPECT_FALSE(blocks_model::unpad(r.padded, r.block, r.kind).has_value()) << r.what;
  }
}

// Random last blocks, mostly of padding bytes, against the model.
TEST(Padding, UnpadAgreesWithTheModelOnNearMisses) {
  Rng g(0x5eed);
  for (const Kind& k : kinds) {
    for (std::size_t block : {1u, 2u, 3u, 8u, 16u, 33u}) {
      for (int trial = 0; trial < 2000; ++trial) {
        const std::size_t count = 1 + below(g, block);
        bytes padded = blocks_model::pad(bytes(block * (1 + below(g, 2)) - count, 0x11), block, k.kind);
        padded[padded.size() - 1 - below(g, block)] = static_cast<std::uint8_t>(g() % 3 == 0 ? g() : count);
        const auto [len, valid] = k.unpad(padded, block);
        const auto want = blocks_model::unpad(padded, block, k.kind);
        ASSERT_EQ(valid.declassify(), want.has_value()) << block << " trial " << trial;
        ASSERT_EQ(len, want.value_or(0)) << block << " trial " << trial;
      }
    }
  }
}

// Errors come before any write.
TEST(Padding, ArgumentErrors) {
  struct Row {
    std::size_t kind, buffer, len, block;
    const char* message;
  };
  const Row rows[] = {
      {0, 16, 3, 0, "pad: block size 0"},
      {1, 16, 3, 0, "pad: block size 0"},
      {1, 512, 3, 256, "pad: block size above 255"},
      {0, 16, 16, 16, "pad: buffer too small"},  // a whole block of padding follows
      {1, 16, 16, 8, "pad: buffer too small"},
      {0, 7, 0, 8, "pad: buffer too small"},
      {0, 0, 0, 1, "pad: buffer too small"},
      {1, 16, 17, 4, "pad: buffer too small"},  // the message is longer than the buffer
      {0, 16, SIZE_MAX, 4, "pad: buffer too small"},
      {1, 16, SIZE_MAX - 1, 255, "pad: buffer too small"},
  };
  for (const Row& r : rows) {
    bytes buf(r.buffer, 0x33);
    expect_invalid_argument([&] { (void)kinds[r.kind].pad(buf, r.len, r.block); }, r.message);
    EXPECT_EQ(buf, bytes(r.buffer, 0x33)) << r.message;
  }
  const bytes block(16, 16);
  for (const Kind& k : kinds) {
    expect_invalid_argument([&] { (void)k.unpad(block, 0); }, "pad: block size 0");
  }
  expect_invalid_argument([&] { (void)Zolt::unpad_pkcs7(block, 256); }, "pad: block size above 255");
  // A block size too large for PKCS#7 is fine for ISO/IEC 7816-4.
  bytes big(1000, 0);
  EXPECT_EQ(Zolt::pad_iso7816(big, 10, 1000), 1000u);
  EXPECT_EQ(Zolt::unpad_iso7816(big, 1000).first, 10u);
}

}  // namespace
