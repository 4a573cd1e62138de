// SPDX-License-Identifier: MIT
// Proving your own code constant time: two ways to count the zero bytes a
// big-endian secret starts with, as a protocol does that strips them from a
// shared secret before using it. The first stops at the first nonzero byte,
// so its time tells how many zero bytes lead the secret; the second reads
// every byte and keeps its count with a select.
//
//   leading_zeros leaky   the early exit: zolt-ct-check reports the branch
//   leading_zeros fixed   the select: zolt-ct-check finds nothing
//
// Built with -DZOLT_CT_CHECK (zolt_add_ct_test does it), ZOLT_CT_SECRET marks
// the secret for memcheck; built without, the marks are no code at all.
#include <zolt/ct_check.h>
#include <zolt/zolt.hpp>

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

namespace {

// Stops at the first nonzero byte: a branch on each secret byte it reads.
std::size_t leading_zero_bytes_leaky(std::span<const std::uint8_t> secret) {
  std::size_t n = 0;
  while (n < secret.size() && secret[n] == 0) ++n;
  return n;
}

// Reads every byte. in_prefix is 1 while only zero bytes have been read and
// 0 from the first other byte on; ct_select keeps it or clears it without a
// branch, and the count adds it up.
std::size_t leading_zero_bytes(std::span<const std::uint8_t> secret) {
  std::size_t in_prefix = 1, n = 0;
  for (const std::uint8_t byte : secret) {
    in_prefix = Zolt::ct_select(Zolt::ct_eq(byte, std::uint8_t{0}), in_prefix, std::size_t{0});
    n += in_prefix;
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view which = argc == 2 ? argv[1] : "";
  if (which != "leaky" && which != "fixed") {
    std::fprintf(stderr, "usage: leading_zeros leaky|fixed\n");
    return 2;
  }
  // A shared secret as a key exchange may give it, with two leading zero bytes.
  std::array<std::uint8_t, 32> secret{0x00, 0x00, 0x9c, 0x41, 0x07, 0xe2, 0x5d, 0x38, 0xa1, 0x66, 0x0f,
                                      0xd4, 0x72, 0x19, 0xbb, 0x03, 0x8e, 0x54, 0xc7, 0x2a, 0x91, 0x6d,
                                      0x00, 0xf3, 0x48, 0xb5, 0x1e, 0x87, 0x3c, 0xe9, 0x60, 0x25};
  ZOLT_CT_SECRET(secret.data(), secret.size());

  std::size_t zeros = which == "leaky" ? leading_zero_bytes_leaky(secret) : leading_zero_bytes(secret);

  // The count is made public on purpose before it is printed and tested.
  ZOLT_CT_PUBLIC(&zeros, sizeof zeros);
  std::printf("%s: %zu leading zero bytes\n", argv[1], zeros);
  return zeros == 2 ? 0 : 1;
}
