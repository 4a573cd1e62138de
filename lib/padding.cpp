// SPDX-License-Identifier: MIT
// Block padding, ISO/IEC 7816-4 and PKCS#7. Where the message ends is secret:
// the padded length is chosen block by block with masks (no division of the
// message's length), padding walks every byte of the buffer, and unpadding
// every byte of the last block, each deciding with masks what it keeps.
#include <zolt/zolt.hpp>

#include <algorithm>
#include <stdexcept>

namespace Zolt {

namespace detail {

// The one place the library makes a secret public: whether the padded message
// fits the buffer, which the caller must learn by an exception. Out of line
// and alone, so that the constant-time checker exempts this branch and no
// other (tools/ctcheck/declassified.supp); exported, so that its name is
// still there in a stripped library, as distributions ship it.
[[gnu::noinline]] ZOLT_EXPORT void throw_unless_padding_fits(choice fits) {
  if (!fits.declassify()) throw std::invalid_argument("pad: buffer too small");
}

}  // namespace detail

namespace {

void check_block_size(std::size_t block_size) {
  if (block_size == 0) throw std::invalid_argument("pad: block size 0");
}

// PKCS#7 writes the padding's length, 1..block_size, in a byte.
void check_pkcs7_block_size(std::size_t block_size) {
  check_block_size(block_size);
  if (block_size > 255) throw std::invalid_argument("pad: block size above 255");
}

// The bytes of a padding of count bytes: its first one, and every other one.
struct padding_bytes {
  std::uint8_t first, rest;
};

// Pads the first unpadded_len bytes of buf up to the least multiple of
// block_size above unpadded_len, with the bytes fill(count) gives for a
// padding of count bytes. Returns the padded length.
template <class Fill>
std::size_t pad(std::span<std::uint8_t> buf, std::size_t unpadded_len, std::size_t block_size,
                Fill fill) {
  // Each multiple of block_size that fits, offered in turn: the first one
  // above the message's end is kept.
  std::size_t end = 0;
  choice found;
  for (std::size_t k = 1; k <= buf.size() / block_size; ++k) {
    const choice here = ct_gt(k * block_size, unpadded_len) & !found;
    end = ct_select(here, k * block_size, end);
    found = found | here;
  }
  detail::throw_unless_padding_fits(found);
  const std::size_t count = end - unpadded_len;  // 1..block_size
  const auto [first, rest] = fill(count);
  for (std::size_t i = 0; i < buf.size(); ++i) {
    // Wraps around below the message's end, to a distance no padding has. i
    // passes the barrier: seen as i - unpadded_len, the distance would become
    // the loop's counter, and the addresses and the loop's end would be
    // computed from the secret length.
    const std::size_t from_end = detail::value_barrier(i) - unpadded_len;
    const std::uint8_t byte = ct_select(ct_eq(from_end, std::size_t{0}), first, rest);
    buf[i] = ct_select(ct_lt(from_end, count), byte, buf[i]);
  }
  return end;
}

// The message's length and the validity, from the padding's length and its
// checks (which fail on an empty buffer), with the shape of the buffer: a
// multiple of block_size.
std::pair<std::size_t, choice> unpadded(std::size_t size, std::size_t count, choice well_formed,
                                        std::size_t block_size) {
  const choice valid = well_formed & choice::of_bool(size % block_size == 0);
  return {ct_select(valid, size - count, std::size_t{0}), valid};
}

}  // namespace

std::size_t pad_iso7816(std::span<std::uint8_t> buf, std::size_t unpadded_len, std::size_t block_size) {
  check_block_size(block_size);
  return pad(buf, unpadded_len, block_size, [](std::size_t) { return padding_bytes{0x80, 0}; });
}

std::size_t pad_pkcs7(std::span<std::uint8_t> buf, std::size_t unpadded_len, std::size_t block_size) {
  check_pkcs7_block_size(block_size);
  return pad(buf, unpadded_len, block_size, [](std::size_t count) {
    const auto byte = static_cast<std::uint8_t>(count);
    return padding_bytes{byte, byte};
  });
}

// The last block from its end: zero bytes, then the marker 0x80 as the first
// byte that is not zero.
std::pair<std::size_t, choice> unpad_iso7816(std::span<const std::uint8_t> padded, std::size_t block_size) {
  check_block_size(block_size);
  const std::size_t n = padded.size();
  choice zeros = !choice(), marker;
  std::size_t count = 0;
  for (std::size_t j = 1; j <= std::min(block_size, n); ++j) {
    const std::uint8_t byte = padded[n - j];
    const choice zero = ct_eq(byte, std::uint8_t{0});
    const choice here = zeros & !zero;
    marker = marker | (here & ct_eq(byte, std::uint8_t{0x80}));
    count = ct_select(here, j, count);
    zeros = zeros & zero;
  }
  return unpadded(n, count, marker, block_size);
}

// The last byte is the padding's length, 1..block_size, and so are the bytes
// it covers.
std::pair<std::size_t, choice> unpad_pkcs7(std::span<const std::uint8_t> padded, std::size_t block_size) {
  check_pkcs7_block_size(block_size);
  const std::size_t n = padded.size();
  if (n == 0) return {0, choice()};
  const std::uint8_t count = padded[n - 1];
  choice same = ct_ne(count, std::uint8_t{0}) & ct_le(std::size_t{count}, block_size);
  for (std::size_t j = 1; j <= std::min(block_size, n); ++j) {
    same = same & (ct_gt(j, std::size_t{count}) | ct_eq(padded[n - j], count));
  }
  return unpadded(n, count, same, block_size);
}

}  // namespace Zolt
