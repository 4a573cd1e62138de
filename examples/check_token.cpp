// SPDX-License-Identifier: MIT
// Checking a session token against the secret the server holds as hex text,
// without letting the time taken reveal how much of the guess was right.
#include <zolt/zolt.hpp>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  // The server's secret, as it sits in its configuration: hex text.
  const std::string secret_hex = "8f3a09c2d14be7a65f0c3d92e18b7a40";
  // The token a client presented (raw bytes; here given as hex on the command line).
  const std::string candidate_hex = argc > 1 ? argv[1] : "8f3a09c2d14be7a65f0c3d92e18b7a40";

  // Decoding never branches on the text; the indicator says whether it was valid.
  const auto [secret, secret_error] = Zolt::string_of_hex(secret_hex);
  const auto [candidate, candidate_error] = Zolt::string_of_hex(candidate_hex);
  if (secret_error != 0) {
    std::puts("server secret is not valid hex");
    return 2;
  }
  if (candidate_error != 0) {
    std::puts("rejected: token is not valid hex");
    return 1;
  }

  // One pass over every byte whatever they hold: no early exit at the first difference.
  const bool accepted = Zolt::equal(secret, candidate);
  std::printf("token %s: %s\n", candidate_hex.c_str(), accepted ? "accepted" : "rejected");
  return accepted ? 0 : 1;
}
