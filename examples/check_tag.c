// SPDX-License-Identifier: MIT
/* The C form of check_tag.cpp: the HMAC-SHA-256 tag of a message computed by
 * OpenSSL, the received hex tag decoded and compared by zolt, in time that does
 * not depend on how much of a forged tag was right. Only <zolt/zolt.h>. */
#include <zolt/zolt.h>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <stdio.h>
#include <string.h>

enum { tag_size = 32 };

int main(int argc, char **argv) {
  /* The key both ends hold, and the message that arrived. */
  static const char key[] = "a key both ends hold, 32 bytes..";
  static const char message[] = "{\"event\":\"payment\",\"amount\":1200}";
  /* The tag that came with it, as hex text (here from the command line). */
  const char *received_hex =
      argc > 1 ? argv[1] : "274856cc5ad8cd64c4295642c73424b22deadd692680e71131c3f26a029951bf";
  const size_t received_len = strlen(received_hex);
  unsigned char expected[tag_size], received[tag_size];
  unsigned int expected_len = 0;
  ptrdiff_t bad = 0;
  bool equal = false;
  int status;

  if (HMAC(EVP_sha256(), key, (int)(sizeof key - 1), (const unsigned char *)message,
           sizeof message - 1, expected, &expected_len) == NULL ||
      expected_len != tag_size) {
    puts("HMAC failed");
    return 2;
  }
  /* The length of the text is public; its characters are not. */
  if (received_len != 2 * tag_size) {
    puts("tag rejected: not 64 hex digits");
    return 1;
  }
  status = zolt_bytes_of_hex(&bad, received, sizeof received, received_hex, received_len);
  if (status == ZOLT_OK) status = zolt_equal(&equal, expected, sizeof expected, received, sizeof received);
  zolt_wipe(expected, sizeof expected);
  zolt_wipe(received, sizeof received);
  if (status != ZOLT_OK) {
    printf("%s\n", zolt_strerror(status));
    return 2;
  }
  /* Well-formed and equal, combined without a branch, made public once. */
  equal = (bad == 0) & equal;
  printf("tag %s\n", equal ? "accepted" : "rejected");
  return equal ? 0 : 1;
}
