// SPDX-License-Identifier: MIT
/* The C form of check_token.cpp: checking a session token against the secret
 * the server holds as hex text, without letting the time taken reveal how much
 * of the guess was right. Only <zolt/zolt.h>; no allocation. */
#include <zolt/zolt.h>

#include <stdio.h>
#include <string.h>

enum { token_size = 16 };

/* Decodes hex text of exactly 2 * token_size characters into out; 0 when it
 * was valid. The length is public and checked first; decoding never branches
 * on the characters, and the indicator says whether they were all hex digits. */
static int decode_token(unsigned char out[token_size], const char *hex) {
  ptrdiff_t indicator;
  const size_t len = strlen(hex);
  int status;
  if (len != 2 * token_size) return -1;
  status = zolt_bytes_of_hex(&indicator, out, token_size, hex, len);
  if (status != ZOLT_OK) {
    printf("%s\n", zolt_strerror(status));
    return -1;
  }
  return indicator == 0 ? 0 : -1;
}

int main(int argc, char **argv) {
  /* The server's secret, as it sits in its configuration: hex text. */
  const char *secret_hex = "8f3a09c2d14be7a65f0c3d92e18b7a40";
  /* The token a client presented (raw bytes; here given as hex on the command line). */
  const char *candidate_hex = argc > 1 ? argv[1] : "8f3a09c2d14be7a65f0c3d92e18b7a40";
  unsigned char secret[token_size], candidate[token_size];
  bool accepted = false;
  int status;

  if (decode_token(secret, secret_hex) != 0) {
    puts("server secret is not valid hex");
    return 2;
  }
  if (decode_token(candidate, candidate_hex) != 0) {
    puts("rejected: token is not 32 hex digits");
    zolt_wipe(secret, sizeof secret);
    return 1;
  }

  /* One pass over every byte whatever they hold: no early exit at the first difference. */
  status = zolt_equal(&accepted, secret, sizeof secret, candidate, sizeof candidate);
  zolt_wipe(secret, sizeof secret);
  zolt_wipe(candidate, sizeof candidate);
  if (status != ZOLT_OK) {
    printf("%s\n", zolt_strerror(status));
    return 2;
  }
  printf("token %s: %s\n", candidate_hex, accepted ? "accepted" : "rejected");
  return accepted ? 0 : 1;
}
