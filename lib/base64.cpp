// SPDX-License-Identifier: MIT
#include "base64.hpp"
#include "dispatch.hpp"

#include <zolt/zolt.hpp>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace Zolt {

namespace {

using base64::alphabet;
using lanes::word;

// The bytes p[0..7] with p[0] most significant.
word load_be(const void* p) noexcept { return __builtin_bswap64(lanes::load(p)); }

// The first count (up to six) of the bytes of the 48-bit value x, the most
// significant first.
void store_be48(unsigned char* p, word x, std::size_t count = 6) noexcept {
  for (std::size_t j = 0; j < count; ++j) p[j] = char_chr(static_cast<std::ptrdiff_t>(x >> (40 - 8 * j)));
}

alphabet alphabet_or_throw(base64_variant v) {
  const auto a = base64::alphabet_of(v);
  if (!a) throw std::invalid_argument("base64: unknown variant");
  return *a;
}

#if ZOLT_X86_AVX2
// The AVX2 copies. Every lookup is a vpshufb of a constant table held in a
// register: a secret picks a byte lane, never an address. The bits move by
// shifts, shuffles and multiplications by powers of two (vpmulhuw, vpmullw,
// vpmaddubsw, vpmaddwd), whose timing does not depend on their operands, like
// the adds, compares and logic; masks pass the value barrier. The last bytes
// or characters, fewer than a vector step takes, go to the portable loops.

// The constants of the AVX2 copies for one alphabet: tables of 16 bytes, the
// same in both 128-bit lanes, indexed by a range number or a nibble.
struct vector_tables {
  // Encoding: the first character of each range of values minus its first
  // value, at the range's number: 0 for 26..51 (a-z), 1..10 for 52..61 (0-9),
  // 11 for 62, 12 for 63, 13 for 0..25 (A-Z).
  std::array<char, 16> steps;
  // Decoding: a character is in the alphabet when the entry of invalid_low at
  // its low nibble shares no bit with the entry of row at its high nibble
  // (one bit per distinct set of valid low nibbles a high nibble has).
  std::array<char, 16> invalid_low, row;
  // What to add to a character to get its value, at its high nibble; c63,
  // which may share its high nibble with other characters, is moved to row 1
  // (no character of the alphabet is there) by adding to_row_1.
  std::array<char, 16> offset;
  char c63, to_row_1;
};

// The value 0..63 of c in the alphabet, or -1.
constexpr int value_in(unsigned c, const alphabet& a) noexcept {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 52);
  if (c == a.c62) return 62;
  if (c == a.c63) return 63;
  return -1;
}

// Built at compile time; an alphabet the layout cannot serve (more than eight
// sets of valid low nibbles, a row with two offsets, a character in row 1)
// throws, which stops the compilation.
constexpr vector_tables vector_tables_of(const alphabet& a) {
  vector_tables t{};
  t.steps[0] = 'a' - 26;
  for (std::size_t r = 1; r <= 10; ++r) t.steps[r] = static_cast<char>('0' - 52);
  t.steps[11] = static_cast<char>(static_cast<int>(a.c62) - 62);
  t.steps[12] = static_cast<char>(static_cast<int>(a.c63) - 63);
  t.steps[13] = 'A';
  std::array<unsigned, 16> valid{};  // bit l of valid[h]: the character 16h + l is in the alphabet
  for (unsigned c = 0; c < 256; ++c) {
    if (value_in(c, a) >= 0) valid[c >> 4] |= 1u << (c & 15);
  }
  std::array<unsigned, 8> sets{};
  unsigned count = 0;
  for (unsigned h = 0; h < 16; ++h) {
    unsigned j = 0;
    while (j < count && sets[j] != valid[h]) ++j;
    if (j == count) {
      if (count == sets.size()) throw "base64: more than eight sets of valid low nibbles";
      sets[count++] = valid[h];
    }
    t.row[h] = static_cast<char>(1u << j);
    for (unsigned l = 0; l < 16; ++l) {
      if (((valid[h] >> l) & 1) == 0) t.invalid_low[l] = static_cast<char>(static_cast<unsigned char>(t.invalid_low[l]) | (1u << j));
    }
  }
  if (valid[1] != 0) throw "base64: a character in row 1";
  t.c63 = static_cast<char>(a.c63);
  t.to_row_1 = static_cast<char>(1 - static_cast<int>(a.c63 >> 4));
  std::array<bool, 16> set{};
  for (unsigned c = 0; c < 256; ++c) {
    const int v = value_in(c, a);
    if (v < 0) continue;
    const unsigned r = c == a.c63 ? 1 : c >> 4;
    const auto offset = static_cast<char>(v - static_cast<int>(c));
    if (set[r] && t.offset[r] != offset) throw "base64: two offsets in one row";
    set[r] = true;
    t.offset[r] = offset;
  }
  return t;
}

constexpr vector_tables standard_tables = vector_tables_of(*base64::alphabet_of(base64_variant::standard));
constexpr vector_tables url_tables = vector_tables_of(*base64::alphabet_of(base64_variant::url));

// The tables of a's alphabet (the variant, public, picks them).
const vector_tables& vector_tables_for(const alphabet& a) noexcept {
  return a.c62 == '+' ? standard_tables : url_tables;
}

ZOLT_AVX2 inline __m256i table(const std::array<char, 16>& t) noexcept {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data())));
}

// The 32 characters of the 24 bytes at in (28 bytes readable). Each 128-bit
// lane takes 12 bytes; each group of three bytes x y z is laid out as y x z y
// in a 32-bit lane, whose four 6-bit values are brought to the bottom of its
// four bytes by multiplications by powers of two (a different shift in each
// 16-bit half); then each value gets the step of its range, the range number
// found by a saturating subtraction and a mask.
ZOLT_AVX2 inline __m256i encode_24(const unsigned char* in, __m256i steps) noexcept {
  const __m256i b = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 12)), 1);
  const __m256i s = _mm256_shuffle_epi8(b, _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,
                                                            1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10));
  const __m256i v02 = _mm256_mulhi_epu16(_mm256_and_si256(s, _mm256_set1_epi32(0x0FC0FC00)),
                                         _mm256_set1_epi32(0x04000040));
  const __m256i v13 = _mm256_mullo_epi16(_mm256_and_si256(s, _mm256_set1_epi32(0x003F03F0)),
                                         _mm256_set1_epi32(0x01000010));
  const __m256i v = _mm256_or_si256(v02, v13);
  const __m256i below_26 = avx2::barrier(_mm256_cmpgt_epi8(avx2::bytes(26), v));
  const __m256i range = _mm256_or_si256(_mm256_subs_epu8(v, avx2::bytes(51)),
                                        _mm256_and_si256(below_26, avx2::bytes(13)));
  return _mm256_add_epi8(v, _mm256_shuffle_epi8(steps, range));
}

// Encodes 24 bytes per step while 28 can be read; returns how many bytes it
// encoded (a multiple of 3: the text so far needs no padding).
ZOLT_AVX2 std::size_t encode_avx2(const unsigned char* in, std::size_t n, char* out,
                                  const vector_tables& t) noexcept {
  const __m256i steps = table(t.steps);
  std::size_t k = 0, o = 0;
  for (; k + 28 <= n; k += 24, o += 32) avx2::store(out + o, encode_24(in + k, steps));
  return k;
}

// The decoding tables of one alphabet, loaded once per call.
struct decoding {
  __m256i invalid_low, row, offset, c63, to_row_1;
};

// Decodes the 32 characters at in into 24 bytes at dst and ORs a nonzero
// byte into bad for each character outside the alphabet. Each character's
// nibbles pick its validity bits and its offset from the tables; the values
// are merged into 24-bit groups by multiply-adds (64a + b, then 4096ab + cd)
// and their bytes gathered, most significant first.
ZOLT_AVX2 inline void decode_32(const char* in, unsigned char* dst, const decoding& d,
                                __m256i& bad) noexcept {
  const __m256i c = avx2::load(in);
  const __m256i nibble = avx2::bytes(0x0F);
  const __m256i high = _mm256_and_si256(_mm256_srli_epi32(c, 4), nibble);
  const __m256i invalid = _mm256_and_si256(_mm256_shuffle_epi8(d.invalid_low, _mm256_and_si256(c, nibble)),
                                           _mm256_shuffle_epi8(d.row, high));
  bad = _mm256_or_si256(bad, invalid);
  const __m256i is_63 = avx2::barrier(_mm256_cmpeq_epi8(c, d.c63));
  const __m256i row = _mm256_add_epi8(high, _mm256_and_si256(is_63, d.to_row_1));
  const __m256i v = _mm256_add_epi8(c, _mm256_shuffle_epi8(d.offset, row));
  const __m256i groups = _mm256_madd_epi16(_mm256_maddubs_epi16(v, _mm256_set1_epi32(0x01400140)),
                                           _mm256_set1_epi32(0x00011000));
  const __m256i lanes = _mm256_shuffle_epi8(
      groups, _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,
                               2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1));
  const __m256i bytes = _mm256_permutevar8x32_epi32(lanes, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm256_castsi256_si128(bytes));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + 16), _mm256_extracti128_si256(bytes, 1));
}

// Decodes 32 characters per step; returns how many it decoded, and ORs into
// bad a word that is not 0 when one of them was outside the alphabet. A step
// reads its 32 characters before it writes their 24 bytes, which end before
// the next step's characters: dst may be in itself (in place).
ZOLT_AVX2 std::size_t decode_avx2(const char* in, std::size_t n, unsigned char* dst,
                                  const vector_tables& t, word& bad) noexcept {
  const decoding d{table(t.invalid_low), table(t.row), table(t.offset), avx2::bytes(t.c63),
                   avx2::bytes(t.to_row_1)};
  __m256i b = _mm256_setzero_si256();
  std::size_t i = 0, o = 0;
  for (; i + 32 <= n; i += 32, o += 24) decode_32(in + i, dst + o, d, b);
  const __m128i h = _mm_or_si128(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1));
  bad |= static_cast<word>(_mm_cvtsi128_si64(_mm_or_si128(h, _mm_unpackhi_epi64(h, h))));
  return i;
}
#endif

// The text of n bytes into out (base64_encoded_size(n) characters): on AVX2,
// 24 bytes per step first; then six bytes per word while eight can be loaded,
// then the last bytes, up to six per word, read one by one; then the padding.
void encode(const unsigned char* in, std::size_t n, char* out, const alphabet& a) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  scrubbed([&] {
    std::size_t k = 0;
#if ZOLT_X86_AVX2
    if (dispatch::avx2()) {
      k = encode_avx2(in, n, out, vector_tables_for(a));
    }
#endif
    std::size_t o = k / 3 * 4;
    for (; k + 8 <= n; k += 6, o += 8) {
      lanes::store(out + o, base64::chars(base64::spread(load_be(in + k) >> 16), a));
    }
    for (; k < n; k += 6) {
      const std::size_t r = std::min<std::size_t>(6, n - k);
      word x = 0;
      for (std::size_t i = 0; i < r; ++i) x |= word{in[k + i]} << (40 - 8 * i);
      const word c = base64::chars(base64::spread(x), a);
      const std::size_t count = (4 * r + 2) / 3;  // 2 characters for 1 byte, 3 for 2, 4 for 3
      for (std::size_t j = 0; j < count; ++j) out[o + j] = static_cast<char>(char_chr(static_cast<std::ptrdiff_t>(c >> (8 * j))));
      o += count;
    }
    if (a.padded) {
      for (; o % 4 != 0; ++o) out[o] = '=';
    }
  });
}

// What the length and the trailing '=' of a text say, before any other
// character is read: the characters to decode, the decoded length, and
// whether the length alone makes the text malformed.
struct shape {
  std::string_view body;
  std::size_t length;
  bool bad_length;
};

shape shape_of(std::string_view text, const alphabet& a) noexcept {
  const std::string_view body = text.substr(0, text.size() - base64::padding(text, a));
  return {body, base64_decoded_max_size(body.size()),
          a.padded ? text.size() % 4 != 0 : body.size() % 4 == 1};
}

// Decodes the body into dst (s.length bytes) and returns the indicator, 0 or
// 1. On AVX2, 32 characters per step first; then eight characters per word,
// then the last ones in a word whose missing lanes hold 'A' (value 0). Every
// step reads its characters before it writes their bytes, which land before
// the next unread character, so dst may be the text itself (in place).
// Writes the bytes straight into dst, so no copy of them is left in this
// frame beyond the registers.
std::ptrdiff_t decode(const shape& s, const alphabet& a, unsigned char* dst) noexcept {
  [[maybe_unused]] const dit::operation dit_on{};
  return scrubbed([&] {
    const std::string_view body = s.body;
    word bad = 0;
    std::size_t i = 0;
#if ZOLT_X86_AVX2
    if (dispatch::avx2()) {
      i = decode_avx2(body.data(), body.size(), dst, vector_tables_for(a), bad);
    }
#endif
    std::size_t o = i / 4 * 3;
    for (; i + 8 <= body.size(); i += 8, o += 6) {
      store_be48(dst + o, base64::pack(base64::values(lanes::load(body.data() + i), a, bad)));
    }
    const std::size_t r = body.size() - i;
    if (r > 0) {
      word c = lanes::ones * 'A';
      for (std::size_t j = 0; j < r; ++j) {
        c = (c & ~(word{0xFF} << (8 * j))) | (word{static_cast<unsigned char>(body[i + j])} << (8 * j));
      }
      const word x = base64::pack(base64::values(c, a, bad));
      const std::size_t count = r * 3 / 4;
      store_be48(dst + o, x, count);
      // The bits after the last whole byte, from the last character: zero in a
      // canonical text.
      bad |= x & ((word{1} << (48 - 8 * count)) - 1);
    }
    return one_if_not_zero(lanes::or_lanes(bad) | static_cast<std::ptrdiff_t>(s.bad_length));
  });
}

// The checks of the forms into a caller's buffer: room for the result, and
// an output that is the text itself (in place) or apart from it.
std::pair<std::ptrdiff_t, std::size_t> decode_into(std::string_view text, unsigned char* out,
                                                   std::size_t room, base64_variant v,
                                                   const char* too_small, const char* overlapping) {
  const auto a = base64::alphabet_of(v);
  if (!a) return {1, 0};
  const shape s = shape_of(text, *a);
  check_room(room, s.length, too_small);
  refuse_overlap(overlap_not_in_place(out, s.length, text.data(), text.size()), overlapping);
  return {decode(s, *a, out), s.length};
}

std::string encode(const unsigned char* in, std::size_t n, base64_variant v) {
  const alphabet a = alphabet_or_throw(v);
  return written<std::string>(base64_encoded_size(n, v), '\0',
                              [&](char* dst) { encode(in, n, dst, a); });
}

// The text grows as it is written, so the output must be apart from the input.
void encode_into(const unsigned char* in, std::size_t n, byte_span out, base64_variant v,
                 const char* too_small, const char* overlapping) {
  const alphabet a = alphabet_or_throw(v);
  const std::size_t size = base64_encoded_size(n, v);
  check_room(out.size(), size, too_small);
  refuse_overlap(overlap(out.data(), size, in, n), overlapping);
  encode(in, n, chars_of(out), a);
}

}  // namespace

std::string base64_of_string(byte_view s, base64_variant v) { return encode(s.data(), s.size(), v); }

std::string base64_of_bytes(byte_view b, base64_variant v) { return encode(b.data(), b.size(), v); }

// The exact decoded length is known before any character is decoded.
std::pair<std::string, std::ptrdiff_t> string_of_base64(byte_view text, base64_variant v) {
  const auto a = base64::alphabet_of(v);
  if (!a) return {std::string(), 1};
  const shape s = shape_of(text.chars(), *a);
  return detail::decoded<std::string>(s.length, [&](byte_span out) { return decode(s, *a, out.data()); });
}

void base64_of_bytes_into(byte_view b, byte_span out, base64_variant v) {
  encode_into(b.data(), b.size(), out, v, "base64_of_bytes_into: output too small",
              "base64_of_bytes_into: buffers overlap");
}

void base64_of_string_into(byte_view s, byte_span out, base64_variant v) {
  encode_into(s.data(), s.size(), out, v, "base64_of_string_into: output too small",
              "base64_of_string_into: buffers overlap");
}

std::pair<std::ptrdiff_t, std::size_t> bytes_of_base64_into(byte_view text, byte_span out,
                                                            base64_variant v) {
  return decode_into(text.chars(), out.data(), out.size(), v, "bytes_of_base64_into: output too small",
                     "bytes_of_base64_into: buffers overlap");
}

std::pair<std::ptrdiff_t, std::size_t> string_of_base64_into(byte_view text, byte_span out,
                                                             base64_variant v) {
  return decode_into(text.chars(), out.data(), out.size(), v, "string_of_base64_into: output too small",
                     "string_of_base64_into: buffers overlap");
}

}  // namespace Zolt
