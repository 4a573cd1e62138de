// SPDX-License-Identifier: MIT
// Checking a session token that a client sends as base64url text (a cookie, a
// bearer token) against the 32 random bytes the server issued: strict decoding
// that never branches on a character, then a comparison of every byte.
#include <zolt/zolt.hpp>

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>

int main(int argc, char** argv) {
  // The token the server issued and keeps (here written into the program).
  const auto [issued, issued_bad] = Zolt::bytes_of_hex<Zolt::secure_bytes>(
      std::string_view("8f3a09c2d14be7a65f0c3d92e18b7a40c55e12f7093ab4d6e81c2f0a9b7d3e61"));
  // The text the client sent.
  const std::string_view cookie = argc > 1 ? argv[1] : "jzoJwtFL56ZfDD2S4Yt6QMVeEvcJOrTW6BwvCpt9PmE";
  if (issued_bad != 0) {
    std::puts("the issued token is not valid hex");
    return 2;
  }

  // 43 characters of unpadded base64url hold 32 bytes; the length is public.
  if (cookie.size() != Zolt::base64_encoded_size(issued.size(), Zolt::base64_variant::url_unpadded)) {
    std::puts("token rejected: wrong length");
    return 1;
  }
  std::array<std::uint8_t, 32> presented{};
  const auto [bad, n] = Zolt::bytes_of_base64_into(cookie, presented, Zolt::base64_variant::url_unpadded);

  // Canonical text, the full 32 bytes, and the same bytes: one decision, made public once.
  const Zolt::choice ok = Zolt::ct_eq(bad, std::ptrdiff_t{0}) & Zolt::ct_eq(n, issued.size()) &
                          Zolt::ct_eq(presented, issued);
  Zolt::wipe(std::span(presented));
  const bool accepted = ok.declassify();
  std::printf("token %s\n", accepted ? "accepted" : "rejected");
  return accepted ? 0 : 1;
}
