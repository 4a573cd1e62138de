// SPDX-License-Identifier: MIT
/* The C interface, from C99: results of every function, every status code and
 * its message, buffer sizes (what is written, and that nothing is written past
 * the result or on failure), NULL pointers, and the predicate's calls.
 * usage: test_c_api [EXPECTED_VERSION] */
#include <zolt/zolt.h>

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond, ...)                            \
  do {                                              \
    if (!(cond)) {                                  \
      ++failures;                                   \
      printf("FAIL line %d: ", __LINE__);           \
      printf(__VA_ARGS__);                          \
      printf("\n");                                 \
    }                                               \
  } while (0)

/* A byte string given with its length; the literal may hold zero bytes. */
typedef struct {
  const char *p;
  size_t n;
} text;
#define T(literal) {literal, sizeof literal - 1}

/* The byte that marks what a function must not write. */
enum { untouched = 0x5a };

static int all_untouched(const unsigned char *p, size_t n) {
  size_t i;
  for (i = 0; i < n; ++i)
    if (p[i] != untouched) return 0;
  return 1;
}

static void test_strerror(void) {
  static const struct {
    int code;
    const char *message;
  } table[] = {
      {ZOLT_ERR_M_NOT_POSITIVE, "m <= 0"},
      {ZOLT_ERR_M_TOO_LARGE, "m >= 16348 not supported"},
      {ZOLT_ERR_DIGITS_NEGATIVE, "digits < 0"},
      {ZOLT_ERR_COMPARE_BE_WITH_LEN, "compare_be_with_len"},
      {ZOLT_ERR_COMPARE_LE_WITH_LEN, "compare_le_with_len"},
      {ZOLT_ERR_NEGATIVE_START, "find_uint8: negative start"},
      {ZOLT_ERR_OUTPUT_TOO_SMALL, "output too small"},
      {ZOLT_ERR_NULL_POINTER, "null pointer"},
      {ZOLT_ERR_UNKNOWN_VARIANT, "base64: unknown variant"},
      {ZOLT_ERR_SIZES_DIFFER, "sizes differ"},
      {ZOLT_ERR_SIZE_OVERFLOW, "size overflow"},
      {ZOLT_ERR_OVERLAP, "buffers overlap"},
      {ZOLT_ERR_BLOCK_SIZE_ZERO, "pad: block size 0"},
      {ZOLT_ERR_BLOCK_SIZE_ABOVE_255, "pad: block size above 255"},
      {ZOLT_ERR_PAD_BUFFER_TOO_SMALL, "pad: buffer too small"},
      {ZOLT_ERR_BAD_TABLE_SHAPE, "ct_lookup_row: bad table shape"},
      {ZOLT_OK, "ok"},
      {-17, "unknown error code"},
      {1, "unknown error code"},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    CHECK(strcmp(zolt_strerror(table[i].code), table[i].message) == 0, "strerror(%d) is \"%s\"",
          table[i].code, zolt_strerror(table[i].code));
  }
}

static void test_version(const char *expected) {
  const char *v = zolt_version_string();
  unsigned major, minor, patch;
  char end;
  CHECK(sscanf(v, "%u.%u.%u%c", &major, &minor, &patch, &end) == 3, "version \"%s\"", v);
  CHECK(expected == NULL || strcmp(v, expected) == 0, "version \"%s\", expected \"%s\"", v,
        expected ? expected : "");
}

static void test_comparisons(void) {
  static const struct {
    text a, b;
    int equal, be, le;
  } table[] = {
      {T(""), T(""), 1, 0, 0},
      {T("a"), T("a"), 1, 0, 0},
      {T("\0\0"), T("\0\0"), 1, 0, 0},
      {T("ab"), T("ac"), 0, -16, -16},
      {T("ba"), T("ab"), 0, 8, -16},
      {T("ab"), T("ba"), 0, -16, 8},
      {T("\xff\x00"), T("\x00\xff"), 0, 8, -16},
      {T("a\0c"), T("a\0d"), 0, -16, -16},
      {T("a"), T("ab"), 0, 1, 1},   /* the shorter counts as greater */
      {T("ab"), T("a"), 0, -1, -1},
      {T(""), T("\0"), 0, 1, 1},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    const text a = table[i].a, b = table[i].b;
    bool equal = !table[i].equal;
    int be = 99, le = 99;
    CHECK(zolt_equal(&equal, a.p, a.n, b.p, b.n) == ZOLT_OK && equal == table[i].equal,
          "equal, row %zu", i);
    CHECK(zolt_compare_be(&be, a.p, a.n, b.p, b.n) == ZOLT_OK && be == table[i].be,
          "compare_be, row %zu: %d", i, be);
    CHECK(zolt_compare_le(&le, a.p, a.n, b.p, b.n) == ZOLT_OK && le == table[i].le,
          "compare_le, row %zu: %d", i, le);
  }
}

static void test_with_len(void) {
  static const struct {
    size_t len;
    text a, b;
    int status_be, status_le, be, le;
  } table[] = {
      {2, T("ba"), T("ab"), ZOLT_OK, ZOLT_OK, 8, -16},
      {3, T("abc"), T("abc"), ZOLT_OK, ZOLT_OK, 0, 0},
      {0, T("abc"), T("x"), ZOLT_OK, ZOLT_OK, 0, 0}, /* len 0: 0 for any strings */
      {0, T(""), T(""), ZOLT_OK, ZOLT_OK, 0, 0},
      {2, T("ab"), T("abc"), ZOLT_ERR_COMPARE_BE_WITH_LEN, ZOLT_ERR_COMPARE_LE_WITH_LEN, 0, 0},
      {3, T("ab"), T("ab"), ZOLT_ERR_COMPARE_BE_WITH_LEN, ZOLT_ERR_COMPARE_LE_WITH_LEN, 0, 0},
      {(size_t)-2, T("ab"), T("ab"), ZOLT_ERR_COMPARE_BE_WITH_LEN, ZOLT_ERR_COMPARE_LE_WITH_LEN,
       0, 0},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    const text a = table[i].a, b = table[i].b;
    int be = 99, le = 99;
    const int sbe = zolt_compare_be_with_len(&be, table[i].len, a.p, a.n, b.p, b.n);
    const int sle = zolt_compare_le_with_len(&le, table[i].len, a.p, a.n, b.p, b.n);
    CHECK(sbe == table[i].status_be && be == (sbe == ZOLT_OK ? table[i].be : 99),
          "compare_be_with_len, row %zu: status %d, order %d", i, sbe, be);
    CHECK(sle == table[i].status_le && le == (sle == ZOLT_OK ? table[i].le : 99),
          "compare_le_with_len, row %zu: status %d, order %d", i, sle, le);
  }
}

/* The predicate's context: the byte it looks for, what it answers for that
 * byte (any nonzero value means a match), and the bytes it was given. */
typedef struct {
  int target, match;
  size_t calls;
  int seen[16];
} search;

static int is_target(void *ctx, int byte) {
  search *s = ctx;
  if (s->calls < 16) s->seen[s->calls] = byte;
  ++s->calls;
  return byte == s->target ? s->match : 0;
}

static void test_search(void) {
  static const struct {
    text s;
    ptrdiff_t start;
    int target;
    int status;
    ptrdiff_t index;
    size_t calls;
  } table[] = {
      {T("a:b:c"), 0, ':', ZOLT_OK, 1, 5},
      {T("a:b:c"), 2, ':', ZOLT_OK, 3, 3},
      {T("a:b:c"), 4, ':', ZOLT_OK, -1, 1},
      {T("a:b:c"), 5, ':', ZOLT_OK, -1, 0},  /* start at the end: no call */
      {T("a:b:c"), 9, ':', ZOLT_OK, -1, 0},
      {T("\0x\0"), 1, 0, ZOLT_OK, 2, 2},
      {T(""), 0, 'a', ZOLT_OK, -1, 0},
      {T("a:b"), -1, ':', ZOLT_ERR_NEGATIVE_START, 0, 0},
  };
  static const int matches[] = {1, -1, 256};
  size_t row, i, k;
  for (row = 0; row < 3 * (sizeof table / sizeof table[0]); ++row) {
    const text s = table[row / 3].s;
    search find_ctx = {0, 0, 0, {0}}, exists_ctx = {0, 0, 0, {0}};
    ptrdiff_t index = 99;
    bool found = true;
    int status;
    i = row / 3;
    find_ctx.target = exists_ctx.target = table[i].target;
    find_ctx.match = exists_ctx.match = matches[row % 3];
    status = zolt_find_uint8(&index, table[i].start, is_target, &find_ctx, s.p, s.n);
    CHECK(status == table[i].status && index == (status == ZOLT_OK ? table[i].index : 99) &&
              find_ctx.calls == table[i].calls,
          "find_uint8, row %zu: status %d, index %td, %zu calls", i, status, index, find_ctx.calls);
    /* Every byte from the last down to start, once. */
    for (k = 0; k < find_ctx.calls; ++k) {
      CHECK(find_ctx.seen[k] == (unsigned char)s.p[s.n - 1 - k], "find_uint8, row %zu: call %zu",
            i, k);
    }
    status = zolt_exists_uint8(&found, table[i].start, is_target, &exists_ctx, s.p, s.n);
    CHECK(status == table[i].status &&
              found == (status == ZOLT_OK ? table[i].index != -1 : true) &&
              exists_ctx.calls == table[i].calls,
          "exists_uint8, row %zu: status %d", i, status);
  }
}

static void test_divmod(void) {
  static const struct {
    int32_t dividend, m;
    int status;
    int32_t q, r;
  } table[] = {
      {17, 5, ZOLT_OK, 3, 2},
      {0, 1, ZOLT_OK, 0, 0},
      {-1, 10, ZOLT_OK, 429496729, 5}, /* the dividend read as unsigned */
      {INT32_MIN, 16347, ZOLT_OK, 131368, 10952},
      {12345, 16347, ZOLT_OK, 0, 12345},
      {1, 0, ZOLT_ERR_M_NOT_POSITIVE, 0, 0},
      {1, -3, ZOLT_ERR_M_NOT_POSITIVE, 0, 0},
      {1, 16348, ZOLT_ERR_M_TOO_LARGE, 0, 0},
      {1, INT32_MAX, ZOLT_ERR_M_TOO_LARGE, 0, 0},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    int32_t q = 99, r = 99;
    const int status = zolt_divmod(&q, &r, table[i].dividend, table[i].m);
    CHECK(status == table[i].status &&
              (status == ZOLT_OK ? q == table[i].q && r == table[i].r : q == 99 && r == 99),
          "divmod, row %zu: status %d, (%d, %d)", i, status, (int)q, (int)r);
  }
}

static void test_ascii_of_int32(void) {
  static const struct {
    ptrdiff_t digits;
    int32_t value;
    size_t room;
    int status;
    const char *text;
  } table[] = {
      {6, 42, 6, ZOLT_OK, "000042"},
      {3, 12345, 3, ZOLT_OK, "345"},
      {10, -1, 10, ZOLT_OK, "4294967295"},
      {12, INT32_MIN, 16, ZOLT_OK, "002147483648"}, /* a larger buffer is fine */
      {0, 7, 0, ZOLT_OK, ""},
      {4, 7, 3, ZOLT_ERR_OUTPUT_TOO_SMALL, ""},
      {-1, 7, 8, ZOLT_ERR_DIGITS_NEGATIVE, ""},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    unsigned char out[17];
    const size_t n = strlen(table[i].text);
    int status;
    memset(out, untouched, sizeof out);
    status = zolt_ascii_of_int32(out, table[i].room, table[i].digits, table[i].value);
    CHECK(status == table[i].status && memcmp(out, table[i].text, n) == 0 &&
              all_untouched(out + n, sizeof out - n),
          "ascii_of_int32, row %zu: status %d", i, status);
  }
}

static void test_case_mapping(void) {
  static const struct {
    text s, lower, upper;
  } table[] = {
      {T(""), T(""), T("")},
      {T("Bearer XYZ"), T("bearer xyz"), T("BEARER XYZ")},
      {T("@AZ[`az{"), T("@az[`az{"), T("@AZ[`AZ{")},
      {T("\0\xc1\xe1Q"), T("\0\xc1\xe1q"), T("\0\xc1\xe1Q")},
      {T("0123456789abcdefGHIJ"), T("0123456789abcdefghij"), T("0123456789ABCDEFGHIJ")},
  };
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    const text s = table[i].s;
    unsigned char out[32], in_place[32];
    int status;
    memset(out, untouched, sizeof out);
    status = zolt_lowercase_ascii(out, s.n, s.p, s.n);
    CHECK(status == ZOLT_OK && memcmp(out, table[i].lower.p, s.n) == 0 &&
              all_untouched(out + s.n, sizeof out - s.n),
          "lowercase_ascii, row %zu", i);
    memset(out, untouched, sizeof out);
    status = zolt_uppercase_ascii(out, sizeof out, s.p, s.n);
    CHECK(status == ZOLT_OK && memcmp(out, table[i].upper.p, s.n) == 0 &&
              all_untouched(out + s.n, sizeof out - s.n),
          "uppercase_ascii, row %zu", i);
    memcpy(in_place, s.p, s.n);
    status = zolt_lowercase_ascii(in_place, s.n, in_place, s.n);
    CHECK(status == ZOLT_OK && memcmp(in_place, table[i].lower.p, s.n) == 0,
          "lowercase_ascii in place, row %zu", i);
    memcpy(in_place, s.p, s.n);
    status = zolt_uppercase_ascii(in_place, s.n, in_place, s.n);
    CHECK(status == ZOLT_OK && memcmp(in_place, table[i].upper.p, s.n) == 0,
          "uppercase_ascii in place, row %zu", i);
    if (s.n > 0) {
      memset(out, untouched, sizeof out);
      CHECK(zolt_lowercase_ascii(out, s.n - 1, s.p, s.n) == ZOLT_ERR_OUTPUT_TOO_SMALL &&
                zolt_uppercase_ascii(out, s.n - 1, s.p, s.n) == ZOLT_ERR_OUTPUT_TOO_SMALL &&
                all_untouched(out, sizeof out),
            "case mapping into too small a buffer, row %zu", i);
    }
  }
}

static void test_hex(void) {
  static const struct {
    text bytes, hex;
  } encode[] = {
      {T(""), T("")},
      {T("\0"), T("00")},
      {T("\x8f\x3a\x09\xc2\xd1\x4b\xe7\xa6\x5f"), T("8f3a09c2d14be7a65f")},
      {T("\xff\x10\x01"), T("ff1001")},
  };
  static const struct {
    text hex;
    ptrdiff_t indicator;
    text bytes; /* when the indicator is 0 */
  } decode[] = {
      {T(""), 0, T("")},
      {T("8F3a09"), 0, T("\x8f\x3a\x09")},
      {T("00ff"), 0, T("\0\xff")},
      {T("abc"), 16, T("")}, /* odd length */
      {T("0g"), 240, T("")},
      {T("0x12"), 240, T("")},
      {T("123"), 16, T("")},
      {T("1g3"), 240, T("")}, /* a bad character outweighs the odd length */
  };
  size_t i;
  for (i = 0; i < sizeof encode / sizeof encode[0]; ++i) {
    const text b = encode[i].bytes, h = encode[i].hex;
    unsigned char out[40];
    memset(out, untouched, sizeof out);
    CHECK(zolt_hex_of_bytes(out, h.n, b.p, b.n) == ZOLT_OK && memcmp(out, h.p, h.n) == 0 &&
              all_untouched(out + h.n, sizeof out - h.n),
          "hex_of_bytes, row %zu", i);
    memset(out, untouched, sizeof out);
    CHECK(b.n == 0 || (zolt_hex_of_bytes(out, h.n - 1, b.p, b.n) == ZOLT_ERR_OUTPUT_TOO_SMALL &&
                       all_untouched(out, sizeof out)),
          "hex_of_bytes into too small a buffer, row %zu", i);
  }
  for (i = 0; i < sizeof decode / sizeof decode[0]; ++i) {
    const text h = decode[i].hex;
    unsigned char out[20];
    ptrdiff_t indicator = 99;
    int status;
    memset(out, untouched, sizeof out);
    status = zolt_bytes_of_hex(&indicator, out, h.n / 2, h.p, h.n);
    CHECK(status == ZOLT_OK && indicator == decode[i].indicator &&
              all_untouched(out + h.n / 2, sizeof out - h.n / 2),
          "bytes_of_hex, row %zu: status %d, indicator %td", i, status, indicator);
    CHECK(indicator != 0 || memcmp(out, decode[i].bytes.p, decode[i].bytes.n) == 0,
          "bytes_of_hex, row %zu: bytes", i);
    if (h.n >= 2) {
      memset(out, untouched, sizeof out);
      indicator = 99;
      CHECK(zolt_bytes_of_hex(&indicator, out, h.n / 2 - 1, h.p, h.n) ==
                    ZOLT_ERR_OUTPUT_TOO_SMALL &&
                indicator == 99 && all_untouched(out, sizeof out),
            "bytes_of_hex into too small a buffer, row %zu", i);
    }
  }
}

/* RFC 4648's vectors in the four variants, bad texts, and the buffer checks. */
static void test_base64(void) {
  static const struct {
    int padded; /* the unpadded variant follows it */
    text bytes, with_padding, without;
  } vectors[] = {
      {ZOLT_BASE64_STANDARD, T(""), T(""), T("")},
      {ZOLT_BASE64_STANDARD, T("f"), T("Zg=="), T("Zg")},
      {ZOLT_BASE64_STANDARD, T("fo"), T("Zm8="), T("Zm8")},
      {ZOLT_BASE64_URL, T("foo"), T("Zm9v"), T("Zm9v")},
      {ZOLT_BASE64_URL, T("foob"), T("Zm9vYg=="), T("Zm9vYg")},
      {ZOLT_BASE64_STANDARD, T("\xfb\xff"), T("+/8="), T("+/8")},
      {ZOLT_BASE64_URL, T("\xfb\xff"), T("-_8="), T("-_8")},
  };
  static const struct {
    text t;
    int variant;
  } bad[] = {
      {T("Zg="), ZOLT_BASE64_STANDARD},       {T("Zg=="), ZOLT_BASE64_STANDARD_UNPADDED},
      {T("Zh=="), ZOLT_BASE64_STANDARD},      {T("-_8="), ZOLT_BASE64_STANDARD},
      {T("+/8="), ZOLT_BASE64_URL},           {T("Z"), ZOLT_BASE64_URL_UNPADDED},
      {T("Zm 9v"), ZOLT_BASE64_STANDARD},     {T("Z=g="), ZOLT_BASE64_STANDARD},
  };
  unsigned char out[16];
  ptrdiff_t indicator;
  size_t i, n;
  for (i = 0; i < sizeof vectors / sizeof vectors[0]; ++i) {
    const text b = vectors[i].bytes;
    const text pairs[2] = {vectors[i].with_padding, vectors[i].without};
    size_t k;
    for (k = 0; k < 2; ++k) {
      const int v = vectors[i].padded + (int)k;
      const text t = pairs[k];
      memset(out, untouched, sizeof out);
      CHECK(zolt_base64_encoded_size(b.n, v) == t.n, "encoded size, row %zu", i);
      CHECK(zolt_base64_of_bytes(out, t.n, b.p, b.n, v) == ZOLT_OK && memcmp(out, t.p, t.n) == 0 &&
                all_untouched(out + t.n, sizeof out - t.n),
            "base64_of_bytes, row %zu variant %d", i, v);
      CHECK(t.n == 0 || zolt_base64_of_bytes(out, t.n - 1, b.p, b.n, v) == ZOLT_ERR_OUTPUT_TOO_SMALL,
            "base64_of_bytes, row %zu: small buffer", i);
      memset(out, untouched, sizeof out);
      CHECK(zolt_bytes_of_base64(&indicator, &n, out, sizeof out, t.p, t.n, v) == ZOLT_OK &&
                indicator == 0 && n == b.n && memcmp(out, b.p, b.n) == 0,
            "bytes_of_base64, row %zu variant %d", i, v);
    }
  }
  for (i = 0; i < sizeof bad / sizeof bad[0]; ++i) {
    CHECK(zolt_bytes_of_base64(&indicator, &n, out, sizeof out, bad[i].t.p, bad[i].t.n,
                               bad[i].variant) == ZOLT_OK &&
              indicator != 0,
          "bytes_of_base64, bad text %zu", i);
  }
  CHECK(zolt_base64_decoded_max_size(8) == 6 && zolt_base64_decoded_max_size(7) == 5,
        "decoded max size");
  CHECK(zolt_base64_of_bytes(out, sizeof out, "a", 1, 7) ==
                ZOLT_ERR_UNKNOWN_VARIANT &&
            zolt_bytes_of_base64(&indicator, &n, out, sizeof out, "YQ==", 4,
                                 -1) == ZOLT_ERR_UNKNOWN_VARIANT &&
            zolt_base64_encoded_size(3, 4) == 0,
        "unknown variant");
  CHECK(zolt_bytes_of_base64(&indicator, &n, out, 2, "Zm9v", 4, ZOLT_BASE64_STANDARD) ==
            ZOLT_ERR_OUTPUT_TOO_SMALL,
        "bytes_of_base64: small buffer");
}

static void test_buffers(void) {
  unsigned char a[5] = {1, 2, 3, 4, 5}, b[5] = {9, 8, 7, 6, 5}, c[4] = {0};
  bool zero;
  CHECK(zolt_is_zero(&zero, c, sizeof c) == ZOLT_OK && zero, "is_zero of zeros");
  CHECK(zolt_is_zero(&zero, "\0\0\1", 3) == ZOLT_OK && !zero, "is_zero of a one");
  CHECK(zolt_is_zero(&zero, NULL, 0) == ZOLT_OK && zero, "is_zero of nothing");
  CHECK(zolt_copy_if(0, a, 5, b, 5) == ZOLT_OK && a[0] == 1 && a[4] == 5, "copy_if 0");
  CHECK(zolt_copy_if(-7, a, 5, b, 5) == ZOLT_OK && memcmp(a, b, 5) == 0, "copy_if -7");
  a[0] = 1;
  CHECK(zolt_swap_if(0, a, 5, b, 5) == ZOLT_OK && a[0] == 1 && b[0] == 9, "swap_if 0");
  CHECK(zolt_swap_if(1, a, 5, b, 5) == ZOLT_OK && a[0] == 9 && b[0] == 1, "swap_if 1");
  CHECK(zolt_copy_if(1, a, 5, b, 4) == ZOLT_ERR_SIZES_DIFFER && a[0] == 9, "copy_if sizes");
  CHECK(zolt_swap_if(1, a, 4, b, 5) == ZOLT_ERR_SIZES_DIFFER && b[0] == 1, "swap_if sizes");
}

/* A condition of type T with only bit k set, then 0, given to copy_if and
 * swap_if: the first acts, the second does not, whatever T's width. */
#define EVERY_BIT_OF(T)                                                                    \
  do {                                                                                     \
    unsigned k;                                                                            \
    for (k = 0; k < sizeof(T) * CHAR_BIT; ++k) {                                           \
      const T bit = (T)((uint64_t)1 << k), none = 0;                                       \
      unsigned char x = 1, y = 2;                                                          \
      const int acted = zolt_copy_if(bit, &x, 1, &y, 1) == ZOLT_OK && x == 2 &&            \
                        zolt_swap_if(bit, &x, 1, &y, 1) == ZOLT_OK && x == 2 && y == 2 &&  \
                        (y = 3, zolt_swap_if(bit, &x, 1, &y, 1) == ZOLT_OK) && x == 3;     \
      const int idle = zolt_copy_if(none, &x, 1, &y, 1) == ZOLT_OK && x == 3 &&            \
                       zolt_swap_if(none, &x, 1, &y, 1) == ZOLT_OK && x == 3 && y == 2;    \
      CHECK(acted && idle, "condition of type %s, bit %u", #T, k);                         \
    }                                                                                      \
  } while (0)

static void test_condition_bits(void) {
  EVERY_BIT_OF(char);
  EVERY_BIT_OF(signed char);
  EVERY_BIT_OF(unsigned char);
  EVERY_BIT_OF(short);
  EVERY_BIT_OF(unsigned short);
  EVERY_BIT_OF(int);
  EVERY_BIT_OF(unsigned);
  EVERY_BIT_OF(long);
  EVERY_BIT_OF(unsigned long);
  EVERY_BIT_OF(long long);
  EVERY_BIT_OF(unsigned long long);
  EVERY_BIT_OF(size_t);
  EVERY_BIT_OF(ptrdiff_t);
  EVERY_BIT_OF(int64_t);
  EVERY_BIT_OF(uint64_t);
}

/* Lengths that no memory can hold, as a size that wrapped around in the
 * caller's arithmetic gives them, with short real buffers: every call is
 * refused before it reads, writes or calls anything. */
static void test_impossible_sizes(void) {
  /* Past the highest address from any real buffer, on every target. */
  const size_t huge = SIZE_MAX - 7;
  /* Hex text whose length 2 * len wraps around to 16; base64 text whose
   * length wraps around to 4 (padded) or 2 (unpadded). */
  const size_t hex_wraps = SIZE_MAX / 2 + 9;
  const size_t base64_wraps = (SIZE_MAX / 4 + 1) * 3 + 1;
  unsigned char a[16] = {0}, b[16] = {0}, out[16];
  search ctx = {0, 1, 0, {0}};
  bool flag = true;
  int order = 99;
  ptrdiff_t index = 99;
  size_t n = 99, i;
  memset(out, untouched, sizeof out);
  const struct {
    int status, expected;
  } rows[] = {
      {zolt_equal(&flag, a, huge, b, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_equal(&flag, a, 16, b, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_compare_be(&order, a, huge, b, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_compare_le(&order, a, huge, b, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_compare_be_with_len(&order, huge, a, huge, b, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_compare_be_with_len(&order, SIZE_MAX, a, 16, b, 16), ZOLT_ERR_COMPARE_BE_WITH_LEN},
      {zolt_compare_le_with_len(&order, (size_t)PTRDIFF_MAX + 1, a, 16, b, 16),
       ZOLT_ERR_COMPARE_LE_WITH_LEN},
      {zolt_is_zero(&flag, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_find_uint8(&index, 0, is_target, &ctx, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_find_uint8(&index, -1, is_target, &ctx, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_exists_uint8(&flag, 0, is_target, &ctx, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_lowercase_ascii(out, 16, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_hex_of_bytes(out, 16, a, hex_wraps), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_hex_of_bytes(out, 16, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_hex_of_bytes(out, huge, a, 2), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_bytes_of_hex(&index, out, 16, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_base64_of_bytes(out, 16, a, base64_wraps, ZOLT_BASE64_STANDARD),
       ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_base64_of_bytes(out, 16, a, base64_wraps, ZOLT_BASE64_URL_UNPADDED),
       ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_bytes_of_base64(&index, &n, out, 16, a, huge, ZOLT_BASE64_STANDARD),
       ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_copy_if(1, out, huge, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_swap_if(1, out, huge, a, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_wipe(out, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_increment_le(out, huge), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_ct_lookup_row(out, 16, a, huge, 16, 0), ZOLT_ERR_SIZE_OVERFLOW},
      {zolt_equal(&flag, NULL, huge, b, huge), ZOLT_ERR_NULL_POINTER}, /* NULL comes first */
  };
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    CHECK(rows[i].status == rows[i].expected, "impossible size, row %zu: status %d", i,
          rows[i].status);
  }
  CHECK(flag && order == 99 && index == 99 && n == 99 && ctx.calls == 0 &&
            all_untouched(out, sizeof out),
        "impossible size: something was written or called");
}

/* The largest lengths whose base64 text has a size_t length, and the first
 * ones beyond, per variant (0 for those). */
static void test_base64_size_limits(void) {
  const size_t n = SIZE_MAX / 4 * 3; /* whole groups: SIZE_MAX - 3 characters */
  static const struct {
    size_t extra, padded_minus, unpadded_minus; /* SIZE_MAX - *_minus, or 0 when above 3 */
  } table[] = {{0, 3, 3}, {1, 4, 1}, {2, 4, 0}, {3, 4, 4}};
  size_t i;
  for (i = 0; i < sizeof table / sizeof table[0]; ++i) {
    const size_t padded = table[i].padded_minus > 3 ? 0 : SIZE_MAX - table[i].padded_minus;
    const size_t unpadded = table[i].unpadded_minus > 3 ? 0 : SIZE_MAX - table[i].unpadded_minus;
    CHECK(zolt_base64_encoded_size(n + table[i].extra, ZOLT_BASE64_STANDARD) == padded &&
              zolt_base64_encoded_size(n + table[i].extra, ZOLT_BASE64_URL) == padded &&
              zolt_base64_encoded_size(n + table[i].extra, ZOLT_BASE64_STANDARD_UNPADDED) ==
                  unpadded &&
              zolt_base64_encoded_size(n + table[i].extra, ZOLT_BASE64_URL_UNPADDED) == unpadded,
          "base64 encoded size of SIZE_MAX / 4 * 3 + %zu", table[i].extra);
  }
  CHECK(zolt_base64_encoded_size(SIZE_MAX, ZOLT_BASE64_URL_UNPADDED) == 0, "encoded size of SIZE_MAX");
}

static void test_lookup_row(void) {
  static const unsigned char table[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  static const struct {
    size_t table_size, row_size, out_size, index;
    int status;
    unsigned char first; /* of the row written, when status is ZOLT_OK */
  } rows[] = {
      {12, 4, 4, 0, ZOLT_OK, 1},   {12, 4, 4, 2, ZOLT_OK, 9},
      {12, 4, 4, 3, ZOLT_OK, 0},   {12, 3, 3, 3, ZOLT_OK, 10},
      {12, 5, 5, 0, ZOLT_ERR_BAD_TABLE_SHAPE, 0}, {12, 4, 3, 0, ZOLT_ERR_BAD_TABLE_SHAPE, 0},
      {12, 0, 0, 0, ZOLT_ERR_BAD_TABLE_SHAPE, 0},
  };
  unsigned char out[8], in_place[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  size_t i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    memset(out, untouched, sizeof out);
    CHECK(zolt_ct_lookup_row(out, rows[i].out_size, table, rows[i].table_size, rows[i].row_size,
                             rows[i].index) == rows[i].status &&
              (rows[i].status == ZOLT_OK ? out[0] == rows[i].first : out[0] == untouched) &&
              all_untouched(out + rows[i].out_size, sizeof out - rows[i].out_size),
          "ct_lookup_row, row %zu", i);
  }
  CHECK(zolt_ct_lookup_row(in_place, 4, in_place, 8, 4, 1) == ZOLT_OK && in_place[0] == 5 &&
            in_place[3] == 8,
        "ct_lookup_row in place");
  CHECK(zolt_ct_lookup_row(in_place + 2, 4, in_place, 8, 4, 1) == ZOLT_ERR_OVERLAP,
        "ct_lookup_row overlapping");
}

/* The sums and their carries as masks; the size and overlap errors write nothing. */
static void test_counters(void) {
  typedef int (*sum_fn)(uint64_t *, void *, size_t, const void *, size_t);
  static const struct {
    sum_fn f;
    const char *name;
    unsigned char a[3], b[3], result[3];
    uint64_t carry;
  } rows[] = {
      {zolt_add_le, "add_le", {0xff, 0xff, 0x00}, {0x01, 0, 0}, {0, 0, 1}, 0},
      {zolt_add_le, "add_le", {0xff, 0xff, 0xff}, {0x01, 0, 0}, {0, 0, 0}, UINT64_MAX},
      {zolt_add_be, "add_be", {0x00, 0xff, 0xff}, {0, 0, 0x01}, {1, 0, 0}, 0},
      {zolt_add_be, "add_be", {0x80, 0, 0}, {0x80, 0, 0}, {0, 0, 0}, UINT64_MAX},
      {zolt_sub_le, "sub_le", {0, 0, 1}, {1, 0, 0}, {0xff, 0xff, 0}, 0},
      {zolt_sub_le, "sub_le", {0, 0, 0}, {1, 0, 0}, {0xff, 0xff, 0xff}, UINT64_MAX},
      {zolt_sub_be, "sub_be", {1, 0, 0}, {0, 0, 1}, {0, 0xff, 0xff}, 0},
      {zolt_sub_be, "sub_be", {0, 0, 5}, {0, 0, 6}, {0xff, 0xff, 0xff}, UINT64_MAX},
  };
  unsigned char n[4] = {0xff, 0xff, 0, 0xff}, buf[8] = {0};
  uint64_t carry;
  size_t i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    unsigned char a[3];
    memcpy(a, rows[i].a, 3);
    carry = 99;
    CHECK(rows[i].f(&carry, a, 3, rows[i].b, 3) == ZOLT_OK && memcmp(a, rows[i].result, 3) == 0 &&
              carry == rows[i].carry,
          "%s, row %zu", rows[i].name, i);
    carry = 99;
    CHECK(rows[i].f(&carry, a, 3, rows[i].b, 2) == ZOLT_ERR_SIZES_DIFFER && carry == 99,
          "%s, sizes differ", rows[i].name);
    CHECK(rows[i].f(&carry, buf, 4, buf + 2, 4) == ZOLT_ERR_OVERLAP && carry == 99,
          "%s, overlap", rows[i].name);
  }
  CHECK(zolt_add_le(&carry, buf, 4, buf, 4) == ZOLT_OK && carry == 0, "add_le in place");
  CHECK(zolt_increment_le(n, 4) == ZOLT_OK && n[0] == 0 && n[1] == 0 && n[2] == 1 && n[3] == 0xff,
        "increment_le");
  CHECK(zolt_increment_be(n, 4) == ZOLT_OK && n[3] == 0 && n[2] == 2, "increment_be");
  CHECK(zolt_increment_le(NULL, 0) == ZOLT_OK && zolt_increment_be(NULL, 1) == ZOLT_ERR_NULL_POINTER,
        "increment of NULL");
}

static void test_padding(void) {
  typedef int (*pad_fn)(size_t *, void *, size_t, size_t, size_t);
  typedef int (*unpad_fn)(size_t *, uint64_t *, const void *, size_t, size_t);
  static const struct {
    pad_fn pad;
    unpad_fn unpad;
    const char *name;
    size_t buf_size, len, block;
    int status;
    size_t padded_len;
    unsigned char last; /* the last byte of the padding */
  } rows[] = {
      {zolt_pad_iso7816, zolt_unpad_iso7816, "iso7816", 8, 5, 8, ZOLT_OK, 8, 0x00},
      {zolt_pad_iso7816, zolt_unpad_iso7816, "iso7816", 16, 7, 8, ZOLT_OK, 8, 0x80},
      {zolt_pad_iso7816, zolt_unpad_iso7816, "iso7816", 16, 8, 8, ZOLT_OK, 16, 0x00},
      {zolt_pad_iso7816, zolt_unpad_iso7816, "iso7816", 15, 8, 8, ZOLT_ERR_PAD_BUFFER_TOO_SMALL, 0, 0},
      {zolt_pad_iso7816, zolt_unpad_iso7816, "iso7816", 16, 3, 0, ZOLT_ERR_BLOCK_SIZE_ZERO, 0, 0},
      {zolt_pad_pkcs7, zolt_unpad_pkcs7, "pkcs7", 8, 5, 8, ZOLT_OK, 8, 3},
      {zolt_pad_pkcs7, zolt_unpad_pkcs7, "pkcs7", 16, 0, 16, ZOLT_OK, 16, 16},
      {zolt_pad_pkcs7, zolt_unpad_pkcs7, "pkcs7", 16, 16, 16, ZOLT_ERR_PAD_BUFFER_TOO_SMALL, 0, 0},
      {zolt_pad_pkcs7, zolt_unpad_pkcs7, "pkcs7", 300, 3, 256, ZOLT_ERR_BLOCK_SIZE_ABOVE_255, 0, 0},
  };
  size_t i;
  for (i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    unsigned char buf[300];
    size_t padded_len = 99, len = 99;
    uint64_t valid = 99;
    memset(buf, untouched, sizeof buf);
    CHECK(rows[i].pad(&padded_len, buf, rows[i].buf_size, rows[i].len, rows[i].block) ==
                  rows[i].status &&
              padded_len == (rows[i].status == ZOLT_OK ? rows[i].padded_len : 99),
          "pad_%s, row %zu: padded length %zu", rows[i].name, i, padded_len);
    if (rows[i].status != ZOLT_OK) {
      CHECK(all_untouched(buf, sizeof buf), "pad_%s, row %zu: written", rows[i].name, i);
      continue;
    }
    CHECK(buf[padded_len - 1] == rows[i].last && all_untouched(buf + padded_len, sizeof buf - padded_len),
          "pad_%s, row %zu: bytes", rows[i].name, i);
    CHECK(rows[i].unpad(&len, &valid, buf, padded_len, rows[i].block) == ZOLT_OK &&
              len == rows[i].len && valid == UINT64_MAX,
          "unpad_%s, row %zu", rows[i].name, i);
    buf[padded_len - 1] ^= 0x40;
    CHECK(rows[i].unpad(&len, &valid, buf, padded_len, rows[i].block) == ZOLT_OK && len == 0 &&
              valid == 0,
          "unpad_%s, row %zu: malformed", rows[i].name, i);
  }
  CHECK(zolt_unpad_pkcs7(NULL, NULL, "", 0, 0) == ZOLT_ERR_NULL_POINTER, "unpad of NULL");
}

static void test_wipe(void) {
  unsigned char secret[9];
  size_t i;
  memset(secret, 0xa5, sizeof secret);
  CHECK(zolt_wipe(secret + 1, 7) == ZOLT_OK, "wipe");
  for (i = 1; i < 8; ++i) CHECK(secret[i] == 0, "wipe: byte %zu", i);
  CHECK(secret[0] == 0xa5 && secret[8] == 0xa5, "wipe: bytes outside");
  CHECK(zolt_wipe(NULL, 0) == ZOLT_OK, "wipe of nothing");
  CHECK(zolt_wipe(NULL, 1) == ZOLT_ERR_NULL_POINTER, "wipe of NULL");
}

static void test_selectors(void) {
  static const ptrdiff_t values[] = {0, 1, -1, 2, 255, PTRDIFF_MAX, PTRDIFF_MIN};
  size_t i;
  for (i = 0; i < sizeof values / sizeof values[0]; ++i) {
    const ptrdiff_t n = values[i];
    CHECK(zolt_one_if_not_zero(n) == (n != 0), "one_if_not_zero(%td)", n);
    CHECK(zolt_zero_if_not_zero(n) == (n != 0 ? 0 : -1), "zero_if_not_zero(%td)", n);
    CHECK(zolt_bool_of_int(n) == (n != 0), "bool_of_int(%td)", n);
    CHECK(zolt_select_int(n, 3, -7) == (n != 0 ? -7 : 3), "select_int(%td)", n);
    CHECK(zolt_select_a_if_in_range(-1, 255, n, 10, 20) == (n >= -1 && n <= 255 ? 10 : 20),
          "select_a_if_in_range(%td)", n);
  }
  CHECK(zolt_int_of_bool(false) == 0 && zolt_int_of_bool(true) == 1, "int_of_bool");
  CHECK(zolt_select_a_if_in_range(65, 90, 65, 1, 2) == 1 &&
            zolt_select_a_if_in_range(65, 90, 90, 1, 2) == 1 &&
            zolt_select_a_if_in_range(65, 90, 91, 1, 2) == 2,
        "select_a_if_in_range at the bounds");
}

/* A NULL byte string with bytes, a NULL result or predicate, or a NULL buffer
 * with room: ZOLT_ERR_NULL_POINTER, nothing written, no call made. NULL with
 * no bytes is an empty string. */
/* The mode is the CPU's: pairs nest, and each restores the state it found
 * (tests/test_dit.cpp runs them on CPUs with and without the mode). */
static void test_dit(void) {
  const int supported = zolt_dit_supported();
  int outer, inner;
  CHECK(supported == 0 || supported == 1, "dit_supported: %d", supported);
  outer = zolt_dit_enable();
  inner = zolt_dit_enable();
  CHECK(inner == supported, "dit_enable inside a pair: %d", inner);
  zolt_dit_restore(inner);
  zolt_dit_restore(outer);
  inner = zolt_dit_enable();
  CHECK(inner == outer, "dit_restore: %d after, %d before", inner, outer);
  zolt_dit_restore(inner);
}

static void test_null_pointers(void) {
  search ctx = {'a', 1, 0, {0}};
  bool flag = true;
  int order = 99;
  ptrdiff_t index = 99;
  int32_t q = 99;
  unsigned char out[4];
  const int statuses[] = {
      zolt_equal(&flag, NULL, 1, "a", 1),
      zolt_equal(&flag, "a", 1, NULL, 1),
      zolt_equal(NULL, "a", 1, "a", 1),
      zolt_compare_be(&order, NULL, 2, "ab", 2),
      zolt_compare_le(&order, "ab", 2, NULL, 2),
      zolt_compare_be(NULL, "ab", 2, "ab", 2),
      zolt_compare_be_with_len(&order, 2, NULL, 2, "ab", 2),
      zolt_compare_le_with_len(NULL, 2, "ab", 2, "ab", 2),
      zolt_find_uint8(&index, 0, is_target, &ctx, NULL, 3),
      zolt_find_uint8(&index, 0, NULL, &ctx, "abc", 3),
      zolt_find_uint8(NULL, 0, is_target, &ctx, "abc", 3),
      zolt_exists_uint8(&flag, 0, NULL, &ctx, "abc", 3),
      zolt_exists_uint8(NULL, 0, is_target, &ctx, "abc", 3),
      zolt_divmod(NULL, &q, 7, 3),
      zolt_divmod(&q, NULL, 7, 3),
      zolt_ascii_of_int32(NULL, 4, 4, 7),
      zolt_lowercase_ascii(NULL, 4, "ABCD", 4),
      zolt_uppercase_ascii(out, 4, NULL, 4),
      zolt_hex_of_bytes(NULL, 4, "ab", 2),
      zolt_hex_of_bytes(out, 4, NULL, 2),
      zolt_bytes_of_hex(&index, NULL, 2, "abcd", 4),
      zolt_bytes_of_hex(&index, out, 2, NULL, 4),
      zolt_bytes_of_hex(NULL, out, 2, "abcd", 4),
  };
  size_t i;
  for (i = 0; i < sizeof statuses / sizeof statuses[0]; ++i) {
    CHECK(statuses[i] == ZOLT_ERR_NULL_POINTER, "NULL pointer, call %zu: status %d", i,
          statuses[i]);
  }
  CHECK(flag && order == 99 && index == 99 && q == 99 && ctx.calls == 0,
        "NULL pointer: something was written or called");

  CHECK(zolt_equal(&flag, NULL, 0, "", 0) == ZOLT_OK && flag, "NULL empty string");
  CHECK(zolt_compare_be(&order, NULL, 0, "a", 1) == ZOLT_OK && order == 1, "NULL empty string");
  CHECK(zolt_find_uint8(&index, 0, is_target, &ctx, NULL, 0) == ZOLT_OK && index == -1,
        "NULL empty string");
  CHECK(zolt_hex_of_bytes(NULL, 0, NULL, 0) == ZOLT_OK, "NULL empty string");
  CHECK(zolt_ascii_of_int32(NULL, 0, 0, 5) == ZOLT_OK, "NULL buffer for no digits");
}

int main(int argc, char **argv) {
  test_strerror();
  test_version(argc > 1 ? argv[1] : NULL);
  test_comparisons();
  test_with_len();
  test_search();
  test_divmod();
  test_ascii_of_int32();
  test_case_mapping();
  test_hex();
  test_base64();
  test_buffers();
  test_condition_bits();
  test_impossible_sizes();
  test_base64_size_limits();
  test_lookup_row();
  test_counters();
  test_padding();
  test_wipe();
  test_selectors();
  test_dit();
  test_null_pointers();
  if (failures == 0) printf("C interface: all checks passed\n");
  return failures != 0;
}
