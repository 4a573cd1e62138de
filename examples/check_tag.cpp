// SPDX-License-Identifier: MIT
// Checking the HMAC-SHA-256 tag of a message, as the receiver of a signed
// webhook or API request does: OpenSSL computes the expected tag, zolt decodes
// the received hex tag and compares the two, and neither step takes a time
// that tells how much of a forged tag was right.
#include <zolt/zolt.hpp>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

using namespace std::string_view_literals;

int main(int argc, char** argv) {
  // The key both ends hold, and the message that arrived.
  constexpr auto key = "a key both ends hold, 32 bytes.."sv;
  constexpr auto message = R"({"event":"payment","amount":1200})"sv;
  // The tag that came with it, as hex text (here from the command line).
  const std::string_view received_hex =
      argc > 1 ? argv[1] : "274856cc5ad8cd64c4295642c73424b22deadd692680e71131c3f26a029951bf";

  std::array<std::uint8_t, 32> expected{};
  unsigned int expected_len = 0;
  if (HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
           reinterpret_cast<const unsigned char*>(message.data()), message.size(), expected.data(),
           &expected_len) == nullptr ||
      expected_len != expected.size()) {
    std::puts("HMAC failed");
    return 2;
  }

  // The length of the received text is public: anything but 64 characters is
  // refused at once. Its characters are not: decoding never branches on them.
  if (received_hex.size() != 2 * expected.size()) {
    std::puts("tag rejected: not 64 hex digits");
    return 1;
  }
  std::array<std::uint8_t, 32> received{};
  const std::ptrdiff_t bad = Zolt::bytes_of_hex_into(received_hex, received);

  // Well-formed and equal, combined without a branch, made public once.
  const Zolt::choice ok = Zolt::ct_eq(bad, std::ptrdiff_t{0}) & Zolt::ct_eq(expected, received);
  Zolt::wipe(std::span(expected));
  Zolt::wipe(std::span(received));
  const bool accepted = ok.declassify();
  std::printf("tag %s\n", accepted ? "accepted" : "rejected");
  return accepted ? 0 : 1;
}
