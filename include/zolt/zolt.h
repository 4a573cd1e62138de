// SPDX-License-Identifier: MIT
/* zolt: constant-time operations on byte strings, the C interface of libzolt.
 *
 * Usable from C99 and from C++. The same promise as the C++ interface: lengths,
 * `len`, `start`, the divisor `m` and `digits` are public and may shape the
 * work; the bytes, the selectors' arguments, the value divmod divides and
 * ascii_of_int32 renders, and a predicate's answers are secret and never do.
 *
 * Conventions:
 * - A byte string is a pointer and a length. The pointer may be NULL only when
 *   the length is 0; nothing is ever measured with strlen. Any length a
 *   program can hold is answered, above PTRDIFF_MAX on 32-bit targets too;
 *   the limits below are those of results that size_t or ptrdiff_t could not
 *   hold.
 * - Outputs come first: a result pointer, or a caller's buffer and its size.
 *   Nothing is allocated. Result pointers and predicates are never NULL; a
 *   predicate's ctx is only passed on to it, and may be NULL.
 * - Every function that can fail returns 0 (ZOLT_OK) on success or a negative
 *   ZOLT_ERR_* code, and then writes nothing at all and calls no predicate;
 *   zolt_strerror names the code. Every check comes before any byte is read,
 *   in this order, the first failing one giving the code:
 *   1. ZOLT_ERR_NULL_POINTER: a NULL that the rules above forbid;
 *   2. ZOLT_ERR_SIZE_OVERFLOW: a byte string that no memory can hold, whose
 *      length wrapped around in the caller's arithmetic: it would end past
 *      the highest address, or, on a 64-bit target, it is longer than
 *      PTRDIFF_MAX;
 *   3. the function's own errors, in the order its comment lists them.
 * - Buffers: hex encoding writes 2 * len bytes, hex decoding len / 2, decimal
 *   rendering `digits`, case mapping len. A larger buffer is fine (only that
 *   many bytes are written); a smaller one is ZOLT_ERR_OUTPUT_TOO_SMALL. No
 *   terminating NUL is written.
 */
#ifndef ZOLT_ZOLT_H
#define ZOLT_ZOLT_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define ZOLT_C_EXPORT __attribute__((visibility("default")))
#define ZOLT_C_STATUS __attribute__((visibility("default"), warn_unused_result))
#else
#define ZOLT_C_EXPORT
#define ZOLT_C_STATUS
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes; zolt_strerror gives each one's message. */
enum {
  ZOLT_OK = 0,
  ZOLT_ERR_M_NOT_POSITIVE = -1,         /* "m <= 0" */
  ZOLT_ERR_M_TOO_LARGE = -2,            /* "m >= 16348 not supported" */
  ZOLT_ERR_DIGITS_NEGATIVE = -3,        /* "digits < 0" */
  ZOLT_ERR_COMPARE_BE_WITH_LEN = -4,    /* "compare_be_with_len" */
  ZOLT_ERR_COMPARE_LE_WITH_LEN = -5,    /* "compare_le_with_len" */
  ZOLT_ERR_NEGATIVE_START = -6,         /* "find_uint8: negative start" */
  ZOLT_ERR_OUTPUT_TOO_SMALL = -7,       /* "output too small" */
  ZOLT_ERR_NULL_POINTER = -8,           /* "null pointer" */
  ZOLT_ERR_UNKNOWN_VARIANT = -9,        /* "base64: unknown variant" */
  ZOLT_ERR_SIZES_DIFFER = -10,          /* "sizes differ" (copy_if, swap_if, add_*, sub_*) */
  ZOLT_ERR_SIZE_OVERFLOW = -11,         /* "size overflow" */
  ZOLT_ERR_OVERLAP = -12,               /* "buffers overlap" */
  ZOLT_ERR_BLOCK_SIZE_ZERO = -13,       /* "pad: block size 0" */
  ZOLT_ERR_BLOCK_SIZE_ABOVE_255 = -14,  /* "pad: block size above 255" */
  ZOLT_ERR_PAD_BUFFER_TOO_SMALL = -15,  /* "pad: buffer too small" */
  ZOLT_ERR_BAD_TABLE_SHAPE = -16        /* "ct_lookup_row: bad table shape" */
};

/* The message of a status code: "ok" for ZOLT_OK, else the C++ interface's
 * exception message where there is one. An unknown code gives "unknown error
 * code". Never NULL. */
ZOLT_C_EXPORT const char *zolt_strerror(int code);

/* The library's version, "MAJOR.MINOR.PATCH". */
ZOLT_C_EXPORT const char *zolt_version_string(void);

/* *equal: same length and same bytes. a and b may be NULL with length 0.
 * No errors of its own. Time depends on the lengths only. */
ZOLT_C_STATUS int zolt_equal(bool *equal, const void *a, size_t a_len, const void *b,
                             size_t b_len);

/* *order: a against b as unsigned numbers, big-endian (be) or with the last
 * byte most significant (le): -16 below, 0 equal, 8 above; 1 when a is
 * shorter, -1 when a is longer. Time depends on the lengths only. */
ZOLT_C_STATUS int zolt_compare_be(int *order, const void *a, size_t a_len, const void *b,
                                  size_t b_len);
ZOLT_C_STATUS int zolt_compare_le(int *order, const void *a, size_t a_len, const void *b,
                                  size_t b_len);

/* The comparisons after checking that both lengths equal len (else
 * ZOLT_ERR_COMPARE_BE_WITH_LEN / ZOLT_ERR_COMPARE_LE_WITH_LEN); len 0 gives 0
 * for any strings. A len above PTRDIFF_MAX fails the check, as in C++, where
 * len is a ptrdiff_t. Time depends on len only. */
ZOLT_C_STATUS int zolt_compare_be_with_len(int *order, size_t len, const void *a, size_t a_len,
                                           const void *b, size_t b_len);
ZOLT_C_STATUS int zolt_compare_le_with_len(int *order, size_t len, const void *a, size_t a_len,
                                           const void *b, size_t b_len);

/* A predicate on a byte value 0..255: nonzero for a match. It is called from C
 * code, so it must return normally: no C++ exception, no longjmp out of it. */
typedef int (*zolt_byte_predicate)(void *ctx, int byte);

/* *index: the lowest index at or after start whose byte satisfies
 * predicate(ctx, byte), else -1. The predicate is called once per byte, from
 * the last down to start; ctx may be NULL. Errors, in order: a len above
 * PTRDIFF_MAX (on a 32-bit target), whose indices *index could not hold, is
 * ZOLT_ERR_SIZE_OVERFLOW; a negative start is ZOLT_ERR_NEGATIVE_START. On an
 * error the predicate is not called at all. Time depends on the length and
 * start only (and on the predicate's own timing). */
ZOLT_C_STATUS int zolt_find_uint8(ptrdiff_t *index, ptrdiff_t start,
                                  zolt_byte_predicate predicate, void *ctx, const void *s,
                                  size_t len);

/* *found: whether zolt_find_uint8 finds a byte. Same calls, errors and
 * timing. */
ZOLT_C_STATUS int zolt_exists_uint8(bool *found, ptrdiff_t start, zolt_byte_predicate predicate,
                                    void *ctx, const void *s, size_t len);

/* Quotient and remainder of dividend read as unsigned 32-bit, for m in
 * 1..16347 (else ZOLT_ERR_M_NOT_POSITIVE / ZOLT_ERR_M_TOO_LARGE). Neither
 * result pointer may be NULL. Time may depend on m; never on the dividend. */
ZOLT_C_STATUS int zolt_divmod(int32_t *quotient, int32_t *remainder, int32_t dividend,
                              int32_t m);

/* The last `digits` decimal digits of value read as unsigned 32-bit,
 * zero-padded, into out[0..digits-1]. Errors, in order:
 * ZOLT_ERR_DIGITS_NEGATIVE for digits < 0, ZOLT_ERR_OUTPUT_TOO_SMALL. out may
 * be NULL when out_size is 0 (then only digits 0 succeeds). Time depends on
 * digits only. */
ZOLT_C_STATUS int zolt_ascii_of_int32(void *out, size_t out_size, ptrdiff_t digits,
                                      int32_t value);

/* ASCII A-Z to a-z (lowercase) or a-z to A-Z (uppercase), every other byte
 * unchanged, into out[0..len-1]. out may be s itself (in place); any other
 * overlap with s is ZOLT_ERR_OVERLAP. Time depends on the length only. */
ZOLT_C_STATUS int zolt_lowercase_ascii(void *out, size_t out_size, const void *s, size_t len);
ZOLT_C_STATUS int zolt_uppercase_ascii(void *out, size_t out_size, const void *s, size_t len);

/* Lower-case hexadecimal text of b, high digit first, into out[0..2*len-1].
 * Errors, in order: ZOLT_ERR_SIZE_OVERFLOW for len above SIZE_MAX / 2 (2 * len
 * would wrap around), ZOLT_ERR_OUTPUT_TOO_SMALL, ZOLT_ERR_OVERLAP when the bytes
 * written overlap b. Time depends on the length only. */
ZOLT_C_STATUS int zolt_hex_of_bytes(void *out, size_t out_size, const void *b, size_t len);

/* The len / 2 bytes that the hex text h (either case) encodes, into out, and
 * *indicator: 0 when h is well-formed, 16 for an odd length (the last
 * character is ignored), 240 when some character is not a hex digit. Use the
 * bytes only when *indicator is 0. out may be h itself (in place: the bytes
 * are a prefix of h); any other overlap of the bytes written with h is
 * ZOLT_ERR_OVERLAP. Time depends on the length only. */
ZOLT_C_STATUS int zolt_bytes_of_hex(ptrdiff_t *indicator, void *out, size_t out_size,
                                    const void *h, size_t len);

/* The base64 alphabets of RFC 4648: standard (+ /) and URL-safe (- _), each
 * with '=' padding or without. A variant travels as an int, so that any value
 * a caller passes is well-defined and an unknown one can be refused. */
enum {
  ZOLT_BASE64_STANDARD = 0,
  ZOLT_BASE64_STANDARD_UNPADDED = 1,
  ZOLT_BASE64_URL = 2,
  ZOLT_BASE64_URL_UNPADDED = 3
};

/* The length of the base64 text of n bytes in that variant: 0 for an unknown
 * variant, and 0 when size_t cannot hold that length (n above about 3/4 of
 * SIZE_MAX). And the most bytes a text of text_len characters decodes to
 * (never more than text_len). */
ZOLT_C_EXPORT size_t zolt_base64_encoded_size(size_t n, int variant);
ZOLT_C_EXPORT size_t zolt_base64_decoded_max_size(size_t text_len);

/* The base64 text of b into out[0..zolt_base64_encoded_size(len)-1]. Errors,
 * in order: ZOLT_ERR_UNKNOWN_VARIANT, ZOLT_ERR_SIZE_OVERFLOW when the text's
 * length does not fit size_t, ZOLT_ERR_OUTPUT_TOO_SMALL, ZOLT_ERR_OVERLAP when
 * the bytes written overlap b. Time depends on the length only. */
ZOLT_C_STATUS int zolt_base64_of_bytes(void *out, size_t out_size, const void *b, size_t len,
                                       int variant);

/* Strict decoding of the base64 text into out, *decoded_len bytes (out must
 * hold them; zolt_base64_decoded_max_size(len) always suffices), and
 * *indicator: 0 when the text is a canonical encoding in that variant,
 * nonzero otherwise (then the bytes and their length are unspecified). out
 * may be text itself (in place: the bytes are a prefix of text). Errors, in
 * order: ZOLT_ERR_UNKNOWN_VARIANT (the C++ decoders, which never throw,
 * answer an unknown variant with indicator 1 and no bytes; both write
 * nothing), ZOLT_ERR_OUTPUT_TOO_SMALL when out_size is below the decoded
 * length, ZOLT_ERR_OVERLAP for any overlap of the bytes written with text
 * other than in place. Time depends on the length and the number of
 * trailing '=' only. */
ZOLT_C_STATUS int zolt_bytes_of_base64(ptrdiff_t *indicator, size_t *decoded_len, void *out,
                                       size_t out_size, const void *text, size_t len,
                                       int variant);

/* *zero: whether every byte of s is 0 (true for len 0). Time depends on the
 * length only. */
ZOLT_C_STATUS int zolt_is_zero(bool *zero, const void *s, size_t len);

/* When c is not 0, dst receives src's bytes (copy_if) or a and b exchange
 * their contents (swap_if); every byte is written either way. c is 64 bits
 * wide, so that a condition of any integer type keeps every bit (on 32-bit
 * targets too). Different lengths are ZOLT_ERR_SIZES_DIFFER; the two buffers
 * may be the very same bytes, and any other overlap is ZOLT_ERR_OVERLAP;
 * either way nothing is touched. Time depends on the length only. */
ZOLT_C_STATUS int zolt_copy_if(uint64_t c, void *dst, size_t dst_len, const void *src,
                               size_t src_len);
ZOLT_C_STATUS int zolt_swap_if(uint64_t c, void *a, size_t a_len, void *b, size_t b_len);

/* Zeroes len bytes at p in a way the optimiser cannot remove as a dead store.
 * 0, or ZOLT_ERR_NULL_POINTER for a NULL p with a nonzero len. */
ZOLT_C_EXPORT int zolt_wipe(void *p, size_t len);

/* The selectors, branch-free building blocks. Constant time. */
ZOLT_C_EXPORT ptrdiff_t zolt_one_if_not_zero(ptrdiff_t n);   /* 1 when n != 0, else 0 */
ZOLT_C_EXPORT ptrdiff_t zolt_zero_if_not_zero(ptrdiff_t n);  /* 0 when n != 0, else -1 */
ZOLT_C_EXPORT ptrdiff_t zolt_int_of_bool(bool v);            /* 0 or 1 */
ZOLT_C_EXPORT bool zolt_bool_of_int(ptrdiff_t n);            /* n != 0 */
/* a when c is 0, b for any other c; both are always read. */
ZOLT_C_EXPORT ptrdiff_t zolt_select_int(ptrdiff_t c, ptrdiff_t a, ptrdiff_t b);
/* a when low <= n <= high, else b (exact while n - low and high - n do not wrap). */
ZOLT_C_EXPORT ptrdiff_t zolt_select_a_if_in_range(ptrdiff_t low, ptrdiff_t high, ptrdiff_t n,
                                                  ptrdiff_t a, ptrdiff_t b);

/* The CPU's data-independent timing mode for the calling thread, as the C++
 * guard Zolt::data_independent_timing sets it: PSTATE.DIT on AArch64 CPUs that
 * have it, nothing anywhere else. zolt_dit_supported is 1 when the CPU and the
 * system offer the mode, else 0. zolt_dit_enable turns it on and returns the
 * state before, 0 or 1, which zolt_dit_restore puts back; pairs nest. */
ZOLT_C_EXPORT int zolt_dit_supported(void);
ZOLT_C_STATUS int zolt_dit_enable(void);
ZOLT_C_EXPORT void zolt_dit_restore(int previous);
/* The constant-time vocabulary of <zolt/choice.hpp>. A secret truth value (a
 * choice) travels as a uint64_t mask: all ones when true, 0 when false. */

/* The row at index of a table of rows of row_size bytes, into out (all zero
 * bytes when index is not below the number of rows). Every byte of every row
 * is read, whatever the index. ZOLT_ERR_BAD_TABLE_SHAPE when row_size is 0,
 * table_size is not a multiple of it, or out_size != row_size;
 * ZOLT_ERR_OVERLAP when out overlaps the table other than by starting at its
 * first byte. Time depends on the sizes only. */
ZOLT_C_STATUS int zolt_ct_lookup_row(void *out, size_t out_size, const void *table,
                                     size_t table_size, size_t row_size, size_t index);

/* n + 1 modulo 256^len, n an unsigned number, little-endian (le: the first
 * byte least significant) or big-endian (be). Time depends on len only. */
ZOLT_C_STATUS int zolt_increment_le(void *n, size_t len);
ZOLT_C_STATUS int zolt_increment_be(void *n, size_t len);

/* a += b (add) or a -= b (sub) modulo 256^len, in the same two orders;
 * *carry or *borrow: the mask of whether one leaves the top byte. Different
 * lengths are ZOLT_ERR_SIZES_DIFFER; b overlapping a other than as the very
 * same bytes (a += a) is ZOLT_ERR_OVERLAP. Time depends on the length only. */
ZOLT_C_STATUS int zolt_add_le(uint64_t *carry, void *a, size_t a_len, const void *b, size_t b_len);
ZOLT_C_STATUS int zolt_add_be(uint64_t *carry, void *a, size_t a_len, const void *b, size_t b_len);
ZOLT_C_STATUS int zolt_sub_le(uint64_t *borrow, void *a, size_t a_len, const void *b, size_t b_len);
ZOLT_C_STATUS int zolt_sub_be(uint64_t *borrow, void *a, size_t a_len, const void *b, size_t b_len);

/* Pads the message, the first unpadded_len bytes of buf, up to the next
 * multiple of block_size (at least one byte of padding), and sets
 * *padded_len: ISO/IEC 7816-4 (0x80, then zero bytes) or PKCS#7 (each byte the
 * padding's length; block_size 1..255). Every byte of buf is read and
 * written; the others keep their values. ZOLT_ERR_BLOCK_SIZE_ZERO,
 * ZOLT_ERR_BLOCK_SIZE_ABOVE_255, or ZOLT_ERR_PAD_BUFFER_TOO_SMALL when the
 * padded message does not fit buf_size bytes: that status is the one place
 * where the message's length (secret) is made public. Time depends on
 * buf_size and block_size only. */
ZOLT_C_STATUS int zolt_pad_iso7816(size_t *padded_len, void *buf, size_t buf_size,
                                   size_t unpadded_len, size_t block_size);
ZOLT_C_STATUS int zolt_pad_pkcs7(size_t *padded_len, void *buf, size_t buf_size,
                                 size_t unpadded_len, size_t block_size);

/* *valid: the mask of whether len is a nonzero multiple of block_size and the
 * last block ends in well-formed padding; *unpadded_len: the message's length,
 * 0 when not valid. Only the last block is read. The block size errors of
 * padding. Time depends on len and block_size only, never on the padding. */
ZOLT_C_STATUS int zolt_unpad_iso7816(size_t *unpadded_len, uint64_t *valid, const void *padded,
                                     size_t len, size_t block_size);
ZOLT_C_STATUS int zolt_unpad_pkcs7(size_t *unpadded_len, uint64_t *valid, const void *padded,
                                   size_t len, size_t block_size);

#ifdef __cplusplus
}
#endif

#endif /* ZOLT_ZOLT_H */
